#include "HtmlText.h"

#include "EditorCodec.h"
#include "HtmlToText.h"

#include <algorithm>
#include <iterator>

namespace verdane::core {

std::string HtmlPageToText(regex::TAWKStr& awk, std::string_view html, const std::function<void()>& turns,
                           std::vector<KanjiReplacement>* replaced, regex::HtmlRuby ruby) {
    awk.LineSeparator = regex::mcls_CRLF;
    awk.SetUseFuzzyCharDic(false);
    awk.SetUseSynonymDic(false);
    return regex::HtmlToText(html, turns, replaced, ruby);
}

std::vector<platform::Unwritable> UnwritableOf(std::string_view page, const std::vector<KanjiReplacement>& replaced,
                                               std::size_t limit) {
    std::vector<platform::Unwritable> listed;
    listed.reserve(std::min(limit, replaced.size()));
    int line = 1;
    qsizetype at = 0;
    std::size_t done = 0;  // the bytes of `page` counted so far
    for (const KanjiReplacement& r : replaced) {
        if (listed.size() >= limit) break;
        const std::size_t offset = std::min(r.offset, page.size());
        if (offset > done) {
            const std::string_view passed = page.substr(done, offset - done);
            line += static_cast<int>(std::count(passed.begin(), passed.end(), '\n'));
            at += platform::BytesToEditor(passed).size();
            done = offset;
        }
        listed.push_back({at, line, r.codePoint,
                          QString::fromUcs4(r.writtenAs.chars.data(), static_cast<qsizetype>(r.writtenAs.size()))});
    }
    return listed;
}

WritePlan PlanHtmlToText(regex::TAWKStr& awk, const Document& document, const QString& text,
                         const std::function<void()>& turns, regex::HtmlRuby ruby) {
    WritePlan plan = PlanTextCommand(WayOut::HtmlToText, document, text);
    std::vector<KanjiReplacement> replaced;
    std::string plain = HtmlPageToText(awk, plan.text, turns, &replaced, ruby);
    if (!replaced.empty()) {
        std::vector<platform::Unwritable> named = UnwritableOf(plan.text, replaced, platform::kMaxListedUnwritable);
        std::vector<platform::Unwritable> all;
        all.reserve(plan.unwritable.size() + named.size());
        std::merge(std::make_move_iterator(plan.unwritable.begin()), std::make_move_iterator(plan.unwritable.end()),
                   std::make_move_iterator(named.begin()), std::make_move_iterator(named.end()),
                   std::back_inserter(all),
                   [](const platform::Unwritable& a, const platform::Unwritable& b) { return a.at < b.at; });
        if (all.size() > platform::kMaxListedUnwritable) all.resize(platform::kMaxListedUnwritable);
        plan.unwritable = std::move(all);
        plan.unwritableCount += replaced.size();
    }
    plan.text = std::move(plain);
    return plan;
}

}  // namespace verdane::core
