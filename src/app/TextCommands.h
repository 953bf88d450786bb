// TextCommands: the commands that rewrite the whole text, HTML to text and the
// Aozora notation cleaner. Each is one edit that Undo takes back, runs as long
// work (nothing else changes the text meanwhile) and never replaces a
// character unasked.
#pragma once

#include "TAWKStr.h"
#include "WritePlan.h"

#include <QString>

#include <string>

class QWidget;

namespace verdane {

class DocumentSession;
class LongWork;
class TFormAozora;
struct TSettings;

class TextCommands {
public:
    TextCommands(QWidget& window, DocumentSession& session, LongWork& work, const TSettings& settings,
                 TFormAozora& aozora);

    void HtmlToText();
    void CleanAozora();

private:
    // The text in Shift-JIS as the command's write plan makes it; false when
    // it holds characters Shift-JIS lacks and the user does not agree to
    // what stands for them.
    bool ShiftJisText(std::string& bytes, core::WayOut way);

    QWidget& window_;
    DocumentSession& session_;
    LongWork& work_;
    const TSettings& settings_;
    TFormAozora& aozora_;
    // The pattern component of the HTML command: CR LF lines, no dictionaries.
    regex::TAWKStr awk_;
};

}  // namespace verdane
