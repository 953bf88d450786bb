// The window's messages about files and downloads, in Japanese like the rest of
// its texts. The use cases of src/core give their reasons in English, as
// verdane-cli prints them; here the program's own words become Japanese and
// the part the system gives (after the last ": ", an errno text such as
// "Permission denied") stays as the system gives it.
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

}  // namespace verdane
