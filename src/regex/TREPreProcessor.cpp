// TREPreProcessor: rewriting runs of plain characters through dictionaries.
#include "TREPreProcessor.h"

#include "TRECharCodes.h"

#include <algorithm>

namespace verdane::regex {

std::string TREPreProcessor::EscapeMetaChars(std::string_view entry) {
    static constexpr std::string_view kMeta = "^(|)+*?.[]$\\";
    std::string out;
    for (std::size_t pos = 0; pos < entry.size();) {
        std::size_t start = pos;
        std::uint16_t c = ReadChar(entry, pos, FinalLead::Single);
        if (c < 0x80 && kMeta.find(static_cast<char>(c)) != std::string_view::npos) out += '\\';
        out.append(entry.substr(start, pos - start));
    }
    return out;
}

const std::string& TREPreProcessor::Preprocess() {
    target_ = pattern_;
    ownParens_.clear();
    scanner_.SetText(target_);
    if (UseSynonymDic) {
        target_ = Rewrite(scanner_.Text(), SynonymDic);
        scanner_.SetText(target_);
    }
    if (UseFuzzyCharDic) target_ = Rewrite(scanner_.Text(), FuzzyCharDic);
    return target_;
}

std::string TREPreProcessor::Rewrite(const std::string& text, const TREDictionaryList& dictionaries) {
    scanner_.SetText(text);
    tokens_.clear();
    do {
        scanner_.GetToken();
        tokens_.push_back({scanner_.token, scanner_.symbol, scanner_.tokenStart, scanner_.tokenEnd});
    } while (scanner_.token != tkEnd);

    auto written = [&](const Token& t) { return std::string_view(text).substr(t.start, t.end - t.start); };

    // Does `entry` spell the codes of tokens [at, runEnd)? Returns the number of
    // tokens it covers, or 0.
    auto matchEntry = [&](const std::string& entry, std::size_t at, std::size_t runEnd) -> std::size_t {
        std::size_t pos = 0;
        std::size_t k = at;
        while (pos < entry.size()) {
            if (k >= runEnd) return 0;
            if (ReadChar(entry, pos, FinalLead::Single) != tokens_[k].symbol) return 0;
            ++k;
        }
        return k - at;
    };

    std::string out;
    std::vector<std::size_t> ownParens;
    bool inBracket = false;
    std::size_t i = 0;
    while (i < tokens_.size()) {
        const Token& t = tokens_[i];
        if (t.kind != tkChar || inBracket) {
            if (t.kind == tkLBracket || t.kind == tkNegLBracket) inBracket = true;
            if (t.kind == tkRBracket) inBracket = false;
            // A parenthesis an earlier pass wrote stays the rewriting's own.
            if (t.kind == tkLPar && std::binary_search(ownParens_.begin(), ownParens_.end(), t.start))
                ownParens.push_back(out.size());
            out.append(written(t));
            ++i;
            continue;
        }
        std::size_t runEnd = i;
        while (runEnd < tokens_.size() && tokens_[runEnd].kind == tkChar) ++runEnd;
        while (i < runEnd) {
            const TREDictionary::Row* row = nullptr;
            std::size_t covered = 0;
            for (const TREDictionary* dictionary : dictionaries) {
                for (auto [r, e] : dictionary->Candidates(tokens_[i].symbol)) {
                    covered = matchEntry(dictionary->Rows()[r][e], i, runEnd);
                    if (covered != 0) {
                        row = &dictionary->Rows()[r];
                        break;
                    }
                }
                if (row) break;
            }
            if (!row) {
                out.append(written(tokens_[i]));
                ++i;
                continue;
            }
            ownParens.push_back(out.size());
            out += '(';
            for (std::size_t e = 0; e < row->size(); ++e) {
                if (e) out += '|';
                out += EscapeMetaChars((*row)[e]);
            }
            out += ')';
            i += covered;
        }
    }
    ownParens_ = std::move(ownParens);
    return out;
}

}  // namespace verdane::regex
