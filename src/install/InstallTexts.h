// The message texts shared by the install dialog and the user-choice dialog.
#pragma once

namespace verdane::install_texts {

inline constexpr const char* kCannotInstall = "ｲﾝｽﾄｰﾙできません";
inline constexpr const char* kCannotOpenFolder = "ｲﾝｽﾄｰﾙﾃﾞｨﾚｸﾄﾘを開けません";
inline constexpr const char* kNoPalmDesktop = "PalmDesktopが正しくインストールされていません！";
inline constexpr const char* kNoUserCaption = "ﾕｰｻﾞが選択されていません";
inline constexpr const char* kNoUser = "ﾕｰｻﾞを選択して下さい";

}  // namespace verdane::install_texts
