// DownloadCommand: open from URL. The URL dialog, then the download window
// while the page comes (the text unchangeable meanwhile), then the page
// replaces the document through the file commands' one way, after the save
// question. A failure always says why.
#pragma once

class QWidget;

namespace verdane {

class DocumentSession;
class FileCommands;
class LongWork;
class TFormDL;
class TFormURL;
struct TSettings;

class DownloadCommand {
public:
    DownloadCommand(QWidget& window, DocumentSession& session, FileCommands& files, LongWork& work,
                    const TSettings& settings, TFormURL& url, TFormDL& download);

    void Run();

private:
    QWidget& window_;
    DocumentSession& session_;
    FileCommands& files_;
    LongWork& work_;
    const TSettings& settings_;
    TFormURL& url_;
    TFormDL& download_;
};

}  // namespace verdane
