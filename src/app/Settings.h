// The program's settings as the settings file keeps them (fonts, colours, the
// bookmark mark, the dialogs' folder, the proxy, the window bounds, the DOC save
// flags, the fixed phrases), read once at start and written once at close by the
// main window. The recent-files list keeps its own section (HistMenu).
#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

class QColor;
class QPlainTextEdit;

namespace verdane {

namespace platform {
class TProfile;
}

// A colour as the settings file holds it: 0x00BBGGRR, or with bit 31 set a
// system colour whose number is the low byte (5 the window, 8 the window text).
using TColorValue = std::int32_t;
inline constexpr TColorValue kColorWindowText = static_cast<TColorValue>(0xFF000008u);
inline constexpr TColorValue kColorWhite = 0x00FFFFFF;

QColor ColorOf(TColorValue value);
TColorValue ColorValueOf(const QColor& color);

// Font style bits of the settings file.
enum TFontStyleBit : std::int32_t { kStyleBold = 1, kStyleItalic = 2, kStyleUnderline = 4, kStyleStrikeOut = 8 };
std::int32_t FontStyleBits(const QFont& font);
void ApplyFontStyleBits(QFont& font, std::int32_t bits);

// The window's face, and the settings' font until the editor gives its own;
// InstallFontSubstitutions (AppInfo.h) shows it in a
// Japanese font of this machine.
inline const QString kDefaultFontFace = QStringLiteral("ＭＳ Ｐゴシック");

// The editor's font before the settings file names one: the first Japanese
// face of this machine among the IPA and Noto faces (fonts-ipafont is
// recommended by the package), else the desktop's fixed-width font; 9 points.
QFont DefaultEditorFont();

// The sizes a zoom reaches, in points.
inline constexpr int kSmallestZoomedSize = 4;
inline constexpr int kLargestZoomedSize = 96;

// The web proxy of the settings file, applied anew to every download, and
// the longest a whole download may take.
struct TProxySettings {
    bool ProxyEnable = false;
    QString ProxyServer;
    std::int32_t ProxyPort = 80;
    QString ProxyUser;
    QString ProxyPass;
    // Seconds ("DownloadMaxSeconds" in section Verdane); 0: no limit.
    std::int32_t DownloadMaxSeconds = 600;
};

// The find and replace dialogs' last choices (section "Find").
struct TFindSettings {
    QString Text;
    bool MatchCase = false;
    bool WholeWord = false;
    bool RegExp = false;
    bool Fuzzy = false;
    bool Up = false;
    bool Wrap = true;
};

struct TSettings {
    // The editor's look: font face, size and style, text and background colour.
    QFont EditorFont{kDefaultFontFace, 9};
    TColorValue EditorFontColor = kColorWindowText;
    TColorValue EditorBackground = kColorWhite;
    QString BookmarkMark = QStringLiteral("(BM)");
    QString InitDir;
    TProxySettings Proxy;
    QRect WindowBounds{0, 0, 513, 427};  // left, top, width, height
    bool Compress = true;
    bool IncludeBinary = true;
    std::array<QString, 8> FixedPhrases;  // Ctrl+1 .. Ctrl+8
    // The open-from-URL dialog: the URLs used lately (newest first) and its check box.
    QStringList RecentUrls;
    bool UrlHtml = true;
    TFindSettings Find;
    // The 表示 menu (section "View"): lines wrapped at the window's edge, the
    // zoom in points over the font's size, the line numbers beside the text.
    bool WordWrap = true;
    std::int32_t Zoom = 0;
    bool LineNumbers = false;
};

// The four font keys of a control ("RichEditMainFontName", ...FontSize,
// ...FontColor, ...FontStyle) in section "Fonts". Reading keeps the current
// face, size and colour when a key is missing or unusable; a style of 0 leaves
// the style as it is.
void LoadEditorFont(const platform::TProfile& ini, const QString& controlName, QFont& font, TColorValue& color);
void SaveEditorFont(platform::TProfile& ini, const QString& controlName, const QFont& font, TColorValue color);

// Reads every setting; the values already in `settings` are the defaults of the
// font keys and the window bounds. Without a settings file at all (first start)
// the proxy port is 80.
void LoadSettings(const platform::TProfile& ini, TSettings& settings);
// Writes every setting in the file's order: Fonts, Setting, Proxy, Window,
// Verdane, Strings, then the sections URL (the URL dialog), Find (the find
// dialogs) and View (the 表示 menu), in one replacement of the file. Throws
// platform::EProfileError when it cannot be written; the file then keeps
// what it had.
void SaveSettings(platform::TProfile& ini, const TSettings& settings);

// The editor's font as it shows: the settings' font, its size moved by the
// zoom and kept between the two sizes above.
QFont ZoomedEditorFont(const TSettings& settings);

// The editor shows the settings' font (zoomed), text colour and background.
// The text, the caret and the Modified flag stay as they are.
void ApplyEditorLook(QPlainTextEdit& editor, const TSettings& settings);

}  // namespace verdane
