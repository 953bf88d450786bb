// LibraryCommand: ファイル > 青空文庫から探す. The catalogue (the copy kept, or
// downloaded in the download window), the search dialog, then the chosen
// work's archive downloaded in the download window and opened through the file
// commands' one way after the save question: its notation cleaned when the
// dialog says so (with the Aozora command's options), the work's title proposed
// by Save and Install.
#pragma once

#include "AozoraCatalog.h"

#include <QString>

#include <optional>

class QWidget;

namespace verdane {

class FileCommands;
class LongWork;
class TFormAozora;
class TFormDL;
class TFormLibrary;
struct TSettings;

class LibraryCommand {
public:
    struct Forms {
        TFormLibrary& library;
        TFormDL& download;
        TFormAozora& aozora;
    };
    LibraryCommand(QWidget& window, FileCommands& files, LongWork& work, const TSettings& settings,
                   const QString& settingsFile, const Forms& forms);

    void Run();

private:
    // The catalogue into the dialog: the one loaded before, or the copy kept,
    // or a download (`refresh`: always). False when there is none; the
    // failure was shown.
    bool LoadCatalog(bool refresh);
    void Open(const core::CatalogWork& work, bool clean);

    QWidget& window_;
    FileCommands& files_;
    LongWork& work_;
    const TSettings& settings_;
    // The settings file's path, which the window knows once it has started.
    const QString& settingsFile_;
    Forms forms_;
    std::optional<core::AozoraCatalog> catalog_;
};

}  // namespace verdane
