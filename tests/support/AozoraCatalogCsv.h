// Aozora's catalogue written by the tests in its published layout: a first
// line naming 55 columns after a byte-order mark, every field quoted, quotes
// doubled, CR LF line ends.
#pragma once

#include <map>
#include <string>

namespace verdane::test {

inline const char* const kCatalogColumns[] = {
    "作品ID", "作品名", "作品名読み", "ソート用読み", "副題", "副題読み", "原題", "初出", "分類番号", "文字遣い種別",
    "作品著作権フラグ", "公開日", "最終更新日", "図書カードURL", "人物ID", "姓", "名", "姓読み", "名読み",
    "姓読みソート用", "名読みソート用", "姓ローマ字", "名ローマ字", "役割フラグ", "生年月日", "没年月日",
    "人物著作権フラグ", "底本名1", "底本出版社名1", "底本初版発行年1", "入力に使用した版1", "校正に使用した版1",
    "底本の親本名1", "底本の親本出版社名1", "底本の親本初版発行年1", "底本名2", "底本出版社名2", "底本初版発行年2",
    "入力に使用した版2", "校正に使用した版2", "底本の親本名2", "底本の親本出版社名2", "底本の親本初版発行年2",
    "入力者", "校正者", "テキストファイルURL", "テキストファイル最終更新日", "テキストファイル符号化方式",
    "テキストファイル文字集合", "テキストファイル修正回数", "XHTML/HTMLファイルURL", "XHTML/HTMLファイル最終更新日",
    "XHTML/HTMLファイル符号化方式", "XHTML/HTMLファイル文字集合", "XHTML/HTMLファイル修正回数"};

inline std::string CatalogHeader() {
    std::string line;
    for (const char* column : kCatalogColumns) line += (line.empty() ? "" : ",") + std::string(column);
    return "\xEF\xBB\xBF" + line + "\r\n";
}

// One row; columns not given are empty.
inline std::string CatalogLine(const std::map<std::string, std::string>& values) {
    std::string line;
    for (const char* column : kCatalogColumns) {
        const auto found = values.find(column);
        std::string field = found == values.end() ? "" : found->second;
        for (std::size_t at = 0; (at = field.find('"', at)) != std::string::npos; at += 2) field.insert(at, 1, '"');
        line += (line.empty() ? "\"" : ",\"") + field + "\"";
    }
    return line + "\r\n";
}

}  // namespace verdane::test
