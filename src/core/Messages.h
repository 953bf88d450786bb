// The windows' messages about files, downloads and installs (the main window
// and the install dialog), in Japanese like the rest of their texts. The use
// cases of src/core give their reasons in English, as verdane-cli prints them;
// here the program's own words become Japanese and the part the system gives
// (after the last ": ", an errno text such as "Permission denied") stays as
// the system gives it.
#pragma once

#include <QString>

#include <string>

namespace verdane {

// A file that could not be opened, read or written: "PATH を開けません: reason".
// A reason it does not know is returned unchanged.
QString FileFailureText(const std::string& reason);

// Why a download failed: the local failures in Japanese; an HTTP answer
// ("404 Not Found") as the server gave it.
QString DownloadFailureText(const std::string& reason);

// Why a database could not be queued for a handheld (core::QueueDocDatabase's
// reasons): "NAME.PDB をｲﾝｽﾄｰﾙ用ﾌｫﾙﾀﾞに置けません: ..." with the folder's or
// file's failure in Japanese, a text too long for a database likewise.
QString InstallFailureText(const std::string& reason);

}  // namespace verdane
