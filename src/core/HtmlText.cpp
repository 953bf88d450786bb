#include "HtmlText.h"

#include "HtmlToText.h"

namespace verdane::core {

std::string HtmlPageToText(regex::TAWKStr& awk, std::string_view html, const std::function<void()>& turns,
                           std::vector<KanjiReplacement>* replaced, regex::HtmlRuby ruby) {
    awk.LineSeparator = regex::mcls_CRLF;
    awk.SetUseFuzzyCharDic(false);
    awk.SetUseSynonymDic(false);
    return regex::HtmlToText(html, turns, replaced, ruby);
}

}  // namespace verdane::core
