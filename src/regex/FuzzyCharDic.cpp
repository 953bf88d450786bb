// The fuzzy character dictionary and the dictionary lookup index.
// The order of rows and of entries matters: the preprocessor takes the first
// entry that matches, which is why voiced kana come before the plain ones.
#include "FuzzyCharDic.h"

#include "Cp932Table.h"
#include "TRECharCodes.h"

#include <stdexcept>

namespace verdane::regex {

namespace {

// One row per line, as comma text (UTF-8 here; CP932 once built).
const char* const kFuzzyRows[] = {
    "Ａ,ａ,A,a",  // 1
    "Ｂ,ｂ,B,b",  // 2
    "Ｃ,ｃ,C,c",  // 3
    "Ｄ,ｄ,D,d",  // 4
    "Ｅ,ｅ,E,e",  // 5
    "Ｆ,ｆ,F,f",  // 6
    "Ｇ,ｇ,G,g",  // 7
    "Ｈ,ｈ,H,h",  // 8
    "Ｉ,ｉ,I,i",  // 9
    "Ｊ,ｊ,J,j",  // 10
    "Ｋ,ｋ,K,k",  // 11
    "Ｌ,ｌ,L,l",  // 12
    "Ｍ,ｍ,M,m",  // 13
    "Ｎ,ｎ,N,n",  // 14
    "Ｏ,ｏ,O,o",  // 15
    "Ｐ,ｐ,P,p",  // 16
    "Ｑ,ｑ,Q,q",  // 17
    "Ｒ,ｒ,R,r",  // 18
    "Ｓ,ｓ,S,s",  // 19
    "Ｔ,ｔ,T,t",  // 20
    "Ｕ,ｕ,U,u",  // 21
    "Ｖ,ｖ,V,v",  // 22
    "Ｗ,ｗ,W,w",  // 23
    "Ｘ,ｘ,X,x",  // 24
    "Ｙ,ｙ,Y,y",  // 25
    "Ｚ,ｚ,Z,z",  // 26
    "0,０,零",  // 27
    "1,１,一,①,Ⅰ,壱",  // 28
    "2,２,二,②,Ⅱ,弐",  // 29
    "3,３,三,③,Ⅲ,参",  // 30
    "4,４,四,④,Ⅳ",  // 31
    "5,５,五,⑤,Ⅴ,伍",  // 32
    "6,６,六,⑥,Ⅵ",  // 33
    "7,７,七,⑦,Ⅶ",  // 34
    "8,８,八,⑧,Ⅷ",  // 35
    "9,９,九,⑨,Ⅸ",  // 36
    "\"　\",\" \"",  // 37
    "!,！",  // 38
    "\"\"\"\",”",  // 39
    "#,＃",  // 40
    "$,＄",  // 41
    "%,％",  // 42
    "&,＆",  // 43
    "',’",  // 44
    "(,（",  // 45
    "),）",  // 46
    "*,＊",  // 47
    "+,＋",  // 48
    "ー,～,ｰ",  // 49
    "-,ー,－,～,ｰ",  // 50
    "･,・",  // 51
    "/,／",  // 52
    ":,：",  // 53
    ";,；",  // 54
    "<,＜",  // 55
    "=,＝",  // 56
    ">,＞",  // 57
    "?,？",  // 58
    "@,＠",  // 59
    "[,［,〔",  // 60
    "\\,￥",  // 61
    "],］,〕",  // 62
    "^,＾",  // 63
    "_,＿",  // 64
    "{,｛",  // 65
    "|,｜",  // 66
    "},｝",  // 67
    "~,￣",  // 68
    "\",\",､,、,，",  // 69
    "｡,.,。,．",  // 70
    "「,『,｢",  // 71
    "」,』,｣",  // 72
    "ん,ン,ﾝ",  // 73
    "が,ガ,ｶﾞ,か゛,カ゛",  // 74
    "ぎ,ギ,ｷﾞ,き゛,キ゛",  // 75
    "ぐ,グ,ｸﾞ,く゛,ク゛",  // 76
    "げ,ゲ,ｹﾞ,け゛,ケ゛",  // 77
    "ご,ゴ,ｺﾞ,こ゛,コ゛",  // 78
    "ざ,ザ,ｻﾞ,さ゛,サ゛",  // 79
    "じ,ジ,ｼﾞ,し゛,シ゛,ぢ,ヂ,ﾁﾞ,ち゛,チ゛",  // 80
    "ず,ズ,ｽﾞ,す゛,ス゛,づ,ヅ,ﾂﾞ,つ゛,ツ゛",  // 81
    "ぜ,ゼ,ｾﾞ,せ゛,セ゛",  // 82
    "ぞ,ゾ,ｿﾞ,そ゛,ソ゛",  // 83
    "だ,ダ,ﾀﾞ,た゛,タ゛",  // 84
    "で,デ,ﾃﾞ,て゛,テ゛",  // 85
    "ど,ド,ﾄﾞ,と゛,ト゛",  // 86
    "ば,バ,ﾊﾞ,は゛,ハ゛,ヴァ,う゛ぁ,ウ゛ァ,ｳﾞｧ",  // 87
    "び,ビ,ﾋﾞ,ひ゛,ヒ゛,ヴィ,う゛ぃ,ウ゛ィ,ｳﾞｨ",  // 88
    "ぶ,ブ,ﾌﾞ,ふ゛,フ゛,ヴ,ウ゛,う゛,ｳﾞ",  // 89
    "べ,ベ,ﾍﾞ,へ゛,ヘ゛,ヴェ,う゛ぇ,ウ゛ェ,ｳﾞｪ",  // 90
    "ぼ,ボ,ﾎﾞ,ほ゛,ホ゛,ヴォ,う゛ぉ,ウ゛ォ,ｳﾞｫ",  // 91
    "ぱ,パ,ﾊﾟ,は゜,ハ゜",  // 92
    "ぴ,ピ,ﾋﾟ,ひ゜,ヒ゜",  // 93
    "ぷ,プ,ﾌﾟ,ふ゜,フ゜",  // 94
    "ぺ,ペ,ﾍﾟ,へ゜,ヘ゜",  // 95
    "ぽ,ポ,ﾎﾟ,ほ゜,ホ゜",  // 96
    "あ,ア,ｱ,ぁ,ァ,ｧ",  // 97
    "い,イ,ｲ,ぃ,ィ,ｨ",  // 98
    "う,ウ,ｳ,ぅ,ゥ,ｩ",  // 99
    "え,エ,ｴ,ぇ,ェ,ｪ",  // 100
    "お,オ,ｵ,ぉ,ォ,ｫ",  // 101
    "か,カ,ｶ",  // 102
    "き,キ,ｷ",  // 103
    "く,ク,ｸ",  // 104
    "け,ケ,ｹ",  // 105
    "こ,コ,ｺ",  // 106
    "さ,サ,ｻ",  // 107
    "し,シ,ｼ",  // 108
    "す,ス,ｽ",  // 109
    "せ,セ,ｾ",  // 110
    "そ,ソ,ｿ",  // 111
    "た,タ,ﾀ",  // 112
    "ち,チ,ﾁ",  // 113
    "つ,ツ,ﾂ,っ,ッ,ｯ",  // 114
    "て,テ,ﾃ",  // 115
    "と,ト,ﾄ",  // 116
    "な,ナ,ﾅ",  // 117
    "に,ニ,ﾆ",  // 118
    "ぬ,ヌ,ﾇ",  // 119
    "ね,ネ,ﾈ",  // 120
    "の,ノ,ﾉ",  // 121
    "は,ハ,ﾊ",  // 122
    "ひ,ヒ,ﾋ",  // 123
    "ふ,フ,ﾌ",  // 124
    "へ,ヘ,ﾍ",  // 125
    "ほ,ホ,ﾎ",  // 126
    "ま,マ,ﾏ",  // 127
    "み,ミ,ﾐ",  // 128
    "む,ム,ﾑ",  // 129
    "め,メ,ﾒ",  // 130
    "も,モ,ﾓ",  // 131
    "や,ヤ,ﾔ,ゃ,ャ,ｬ",  // 132
    "ゆ,ユ,ﾕ,ゅ,ュ,ｭ",  // 133
    "よ,ヨ,ﾖ,ょ,ョ,ｮ",  // 134
    "ら,ラ,ﾗ",  // 135
    "り,リ,ﾘ",  // 136
    "る,ル,ﾙ",  // 137
    "れ,レ,ﾚ",  // 138
    "ろ,ロ,ﾛ",  // 139
    "わ,ワ,ﾜ,うぁ,ウァ,ｳｧ",  // 140
    "ヰ,ゐ,うぃ,ウィ,ｳｨ",  // 141
    "ヱ,ゑ,うぇ,ウェ,ｳｪ",  // 142
    "を,ヲ,ｦ,うぉ,ウォ,ｳｫ",  // 143
    "ﾞ,゛",  // 144
    "ﾟ,゜",  // 145
};

// UTF-8 to CP932 for the rows above; every character of them exists in CP932.
std::string Utf8ToCp932(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        auto b = static_cast<unsigned char>(utf8[i]);
        std::size_t len = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        char32_t cp = len == 1 ? b : b & (0x7F >> len);
        for (std::size_t k = 1; k < len && i + k < utf8.size(); ++k)
            cp = cp << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        i += len;
        int code = cp932::Encode(cp);
        if (code < 0) throw std::logic_error("fuzzy dictionary character outside CP932");
        AppendCode(out, static_cast<std::uint16_t>(code));
    }
    return out;
}

}  // namespace

TREDictionary::TREDictionary(std::vector<Row> rows) : rows_(std::move(rows)) {
    for (std::uint32_t r = 0; r < rows_.size(); ++r) {
        for (std::uint32_t e = 0; e < rows_[r].size(); ++e) {
            std::size_t pos = 0;
            std::uint16_t first = ReadChar(rows_[r][e], pos, FinalLead::Single);
            if (first != 0) byFirstCode_[first].emplace_back(r, e);
        }
    }
}

const std::vector<std::pair<std::uint32_t, std::uint32_t>>& TREDictionary::Candidates(std::uint16_t code) const {
    static const std::vector<std::pair<std::uint32_t, std::uint32_t>> kNone;
    auto it = byFirstCode_.find(code);
    return it == byFirstCode_.end() ? kNone : it->second;
}

std::vector<std::string> ParseCommaText(std::string_view text) {
    std::vector<std::string> entries;
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
    };
    skipBlanks();
    while (i < text.size()) {
        std::string entry;
        if (text[i] == '"') {
            ++i;
            while (i < text.size()) {
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        entry += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                entry += text[i++];
            }
            while (i < text.size() && text[i] != ',') ++i;
        } else {
            std::size_t start = i;
            while (i < text.size() && text[i] != ',') ++i;
            std::size_t end = i;
            while (end > start && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
            entry = std::string(text.substr(start, end - start));
        }
        if (!entry.empty()) entries.push_back(std::move(entry));
        if (i < text.size()) ++i;  // the comma; a trailing one adds nothing
        skipBlanks();
    }
    return entries;
}

const TREDictionary& FuzzyCharDictionary() {
    static const TREDictionary dictionary = [] {
        std::vector<TREDictionary::Row> rows;
        for (const char* row : kFuzzyRows) {
            TREDictionary::Row entries;
            for (const auto& entry : ParseCommaText(row)) entries.push_back(Utf8ToCp932(entry));
            rows.push_back(std::move(entries));
        }
        return TREDictionary(std::move(rows));
    }();
    return dictionary;
}

}  // namespace verdane::regex
