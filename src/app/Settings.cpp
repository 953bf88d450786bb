#include "Settings.h"

#include "ProfileFile.h"

#include <QApplication>
#include <QColor>
#include <QFontDatabase>
#include <QPalette>
#include <QPlainTextEdit>
#include <QTextCursor>

#include <algorithm>
#include <cmath>

namespace verdane {

namespace {

const QString kFonts = QStringLiteral("Fonts");
const QString kSetting = QStringLiteral("Setting");
const QString kProxy = QStringLiteral("Proxy");
const QString kWindow = QStringLiteral("Window");
const QString kVerdane = QStringLiteral("Verdane");
const QString kStrings = QStringLiteral("Strings");
// The open-from-URL dialog's own section: the URLs used lately and its check box.
const QString kUrl = QStringLiteral("URL");
// The find and replace dialogs' own section.
const QString kFind = QStringLiteral("Find");
const QString kView = QStringLiteral("View");
constexpr int kRecentUrlKeys = 10;

constexpr std::uint32_t kSystemColorBit = 0x80000000u;

QPalette::ColorRole RoleOfSystemColor(int index) {
    switch (index) {
    case 5: return QPalette::Base;              // window background
    case 4: return QPalette::Window;            // menu
    case 15: return QPalette::Button;           // button face
    case 18: return QPalette::ButtonText;
    case 13: return QPalette::Highlight;
    case 14: return QPalette::HighlightedText;
    case 23: return QPalette::ToolTipText;
    case 24: return QPalette::ToolTipBase;
    default: return QPalette::Text;             // 8, the window text, and the rest
    }
}

// Points of a font that may have been given in pixels (96 pixels an inch).
int PointSizeOf(const QFont& font) {
    if (font.pointSize() > 0) return font.pointSize();
    if (font.pixelSize() > 0) return static_cast<int>(std::lround(font.pixelSize() * 72.0 / 96.0));
    return 9;
}

}  // namespace

QColor ColorOf(TColorValue value) {
    const auto bits = static_cast<std::uint32_t>(value);
    if (bits & kSystemColorBit) return QApplication::palette().color(QPalette::Active, RoleOfSystemColor(bits & 0xFF));
    return QColor(bits & 0xFF, (bits >> 8) & 0xFF, (bits >> 16) & 0xFF);
}

TColorValue ColorValueOf(const QColor& color) {
    return static_cast<TColorValue>(static_cast<std::uint32_t>(color.red()) | (color.green() << 8) | (color.blue() << 16));
}

std::int32_t FontStyleBits(const QFont& font) {
    std::int32_t bits = 0;
    if (font.bold()) bits |= kStyleBold;
    if (font.italic()) bits |= kStyleItalic;
    if (font.underline()) bits |= kStyleUnderline;
    if (font.strikeOut()) bits |= kStyleStrikeOut;
    return bits;
}

void ApplyFontStyleBits(QFont& font, std::int32_t bits) {
    font.setBold(bits & kStyleBold);
    font.setItalic(bits & kStyleItalic);
    font.setUnderline(bits & kStyleUnderline);
    font.setStrikeOut(bits & kStyleStrikeOut);
}

void LoadEditorFont(const platform::TProfile& ini, const QString& controlName, QFont& font, TColorValue& color) {
    const QString face = ini.ReadString(kFonts, controlName + QStringLiteral("FontName"), font.family());
    if (!face.isEmpty()) font.setFamily(face);
    const int size = ini.ReadInteger(kFonts, controlName + QStringLiteral("FontSize"), PointSizeOf(font));
    // A size of 0 or less shows nothing readable; the current size stays.
    if (size > 0 && size <= 1000) font.setPointSize(size);
    color = ini.ReadInteger(kFonts, controlName + QStringLiteral("FontColor"), color);
    const std::int32_t style = ini.ReadInteger(kFonts, controlName + QStringLiteral("FontStyle"), 0);
    if (style != 0) ApplyFontStyleBits(font, style);
}

void SaveEditorFont(platform::TProfile& ini, const QString& controlName, const QFont& font, TColorValue color) {
    ini.WriteString(kFonts, controlName + QStringLiteral("FontName"), font.family());
    ini.WriteInteger(kFonts, controlName + QStringLiteral("FontSize"), PointSizeOf(font));
    ini.WriteInteger(kFonts, controlName + QStringLiteral("FontColor"), color);
    ini.WriteInteger(kFonts, controlName + QStringLiteral("FontStyle"), FontStyleBits(font));
}

void LoadSettings(const platform::TProfile& ini, TSettings& s) {
    const bool firstStart = !ini.Exists();
    LoadEditorFont(ini, QStringLiteral("RichEditMain"), s.EditorFont, s.EditorFontColor);
    s.EditorBackground = ini.ReadInteger(kSetting, QStringLiteral("Color"), kColorWhite);
    s.BookmarkMark = ini.ReadString(kSetting, QStringLiteral("BM"), QStringLiteral("(BM)"));
    s.InitDir = ini.ReadString(kSetting, QStringLiteral("InitDir"), QString());
    s.Proxy.ProxyServer = ini.ReadString(kProxy, QStringLiteral("Server"), QString());
    s.Proxy.ProxyPort = ini.ReadInteger(kProxy, QStringLiteral("Port"), 0);
    s.Proxy.ProxyUser = ini.ReadString(kProxy, QStringLiteral("User"), QString());
    s.Proxy.ProxyPass = ini.ReadString(kProxy, QStringLiteral("Pass"), QString());
    s.Proxy.ProxyEnable = ini.ReadBool(kProxy, QStringLiteral("Enable"), false);
    // The proxy of a first start: the usual HTTP port, nothing else.
    if (firstStart) s.Proxy = TProxySettings{false, QString(), 80, QString(), QString()};
    QRect& w = s.WindowBounds;
    w.moveTop(ini.ReadInteger(kWindow, QStringLiteral("Top"), w.top()));
    w.moveLeft(ini.ReadInteger(kWindow, QStringLiteral("Left"), w.left()));
    w.setWidth(ini.ReadInteger(kWindow, QStringLiteral("Width"), w.width()));
    w.setHeight(ini.ReadInteger(kWindow, QStringLiteral("Height"), w.height()));
    s.Compress = ini.ReadBool(kVerdane, QStringLiteral("Compress"), true);
    s.IncludeBinary = ini.ReadBool(kVerdane, QStringLiteral("Binary"), true);
    s.Proxy.DownloadMaxSeconds = std::max(0, ini.ReadInteger(kVerdane, QStringLiteral("DownloadMaxSeconds"), 600));
    for (int n = 1; n <= 8; ++n) s.FixedPhrases[n - 1] = ini.ReadString(kStrings, QStringLiteral("Text%1").arg(n), QString());
    s.RecentUrls.clear();
    for (int n = 1; n <= kRecentUrlKeys; ++n) {
        const QString url = ini.ReadString(kUrl, QStringLiteral("URL%1").arg(n), QString());
        if (!url.isEmpty()) s.RecentUrls << url;
    }
    s.UrlHtml = ini.ReadBool(kUrl, QStringLiteral("HTML"), true);
    TFindSettings& f = s.Find;
    f.Text = ini.ReadString(kFind, QStringLiteral("Text"), QString());
    f.MatchCase = ini.ReadBool(kFind, QStringLiteral("MatchCase"), false);
    f.WholeWord = ini.ReadBool(kFind, QStringLiteral("WholeWord"), false);
    f.RegExp = ini.ReadBool(kFind, QStringLiteral("RegExp"), false);
    f.Fuzzy = ini.ReadBool(kFind, QStringLiteral("Fuzzy"), false);
    f.Up = ini.ReadBool(kFind, QStringLiteral("Up"), false);
    f.Wrap = ini.ReadBool(kFind, QStringLiteral("Wrap"), true);
    s.WordWrap = ini.ReadBool(kView, QStringLiteral("WordWrap"), true);
    // A zoom beyond what the sizes allow would take as many steps back.
    s.Zoom = std::clamp(ini.ReadInteger(kView, QStringLiteral("Zoom"), 0), -kLargestZoomedSize, kLargestZoomedSize);
    s.LineNumbers = ini.ReadBool(kView, QStringLiteral("LineNumbers"), false);
}

void SaveSettings(platform::TProfile& ini, const TSettings& s) {
    // One replacement of the file for all keys: a failed write leaves the whole
    // old file, and the close does not wait for a sync per key.
    ini.BeginUpdate();
    SaveEditorFont(ini, QStringLiteral("RichEditMain"), s.EditorFont, s.EditorFontColor);
    ini.WriteInteger(kSetting, QStringLiteral("Color"), s.EditorBackground);
    ini.WriteString(kSetting, QStringLiteral("BM"), s.BookmarkMark);
    ini.WriteString(kSetting, QStringLiteral("InitDir"), s.InitDir);
    ini.WriteString(kProxy, QStringLiteral("Server"), s.Proxy.ProxyServer);
    ini.WriteInteger(kProxy, QStringLiteral("Port"), s.Proxy.ProxyPort);
    ini.WriteString(kProxy, QStringLiteral("User"), s.Proxy.ProxyUser);
    ini.WriteString(kProxy, QStringLiteral("Pass"), s.Proxy.ProxyPass);
    ini.WriteBool(kProxy, QStringLiteral("Enable"), s.Proxy.ProxyEnable);
    ini.WriteInteger(kWindow, QStringLiteral("Top"), s.WindowBounds.top());
    ini.WriteInteger(kWindow, QStringLiteral("Left"), s.WindowBounds.left());
    ini.WriteInteger(kWindow, QStringLiteral("Width"), s.WindowBounds.width());
    ini.WriteInteger(kWindow, QStringLiteral("Height"), s.WindowBounds.height());
    ini.WriteBool(kVerdane, QStringLiteral("Compress"), s.Compress);
    ini.WriteBool(kVerdane, QStringLiteral("Binary"), s.IncludeBinary);
    ini.WriteInteger(kVerdane, QStringLiteral("DownloadMaxSeconds"), s.Proxy.DownloadMaxSeconds);
    for (int n = 1; n <= 8; ++n) ini.WriteString(kStrings, QStringLiteral("Text%1").arg(n), s.FixedPhrases[n - 1]);
    for (int n = 1; n <= kRecentUrlKeys; ++n)
        ini.WriteString(kUrl, QStringLiteral("URL%1").arg(n), n <= s.RecentUrls.size() ? s.RecentUrls[n - 1] : QString());
    ini.WriteBool(kUrl, QStringLiteral("HTML"), s.UrlHtml);
    ini.WriteString(kFind, QStringLiteral("Text"), s.Find.Text);
    ini.WriteBool(kFind, QStringLiteral("MatchCase"), s.Find.MatchCase);
    ini.WriteBool(kFind, QStringLiteral("WholeWord"), s.Find.WholeWord);
    ini.WriteBool(kFind, QStringLiteral("RegExp"), s.Find.RegExp);
    ini.WriteBool(kFind, QStringLiteral("Fuzzy"), s.Find.Fuzzy);
    ini.WriteBool(kFind, QStringLiteral("Up"), s.Find.Up);
    ini.WriteBool(kFind, QStringLiteral("Wrap"), s.Find.Wrap);
    ini.WriteBool(kView, QStringLiteral("WordWrap"), s.WordWrap);
    ini.WriteInteger(kView, QStringLiteral("Zoom"), s.Zoom);
    ini.WriteBool(kView, QStringLiteral("LineNumbers"), s.LineNumbers);
    ini.EndUpdate();
}

QFont DefaultEditorFont() {
    for (const char* face : {"IPAGothic", "IPAexGothic", "IPAPGothic", "Noto Sans Mono CJK JP", "Noto Sans CJK JP"}) {
        const QString family = QString::fromLatin1(face);
        if (QFontDatabase::hasFamily(family) &&
            QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese))
            return QFont(family, 9);
    }
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSize(9);
    return fixed;
}

QFont ZoomedEditorFont(const TSettings& settings) {
    QFont font = settings.EditorFont;
    font.setPointSize(std::clamp(PointSizeOf(font) + settings.Zoom, kSmallestZoomedSize, kLargestZoomedSize));
    return font;
}

void ApplyEditorLook(QPlainTextEdit& editor, const TSettings& settings) {
    const QFont font = ZoomedEditorFont(settings);
    editor.setFont(font);
    editor.document()->setDefaultFont(font);
    QPalette palette = editor.palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Text, ColorOf(settings.EditorFontColor));
        palette.setColor(group, QPalette::Base, ColorOf(settings.EditorBackground));
    }
    editor.setPalette(palette);
}

}  // namespace verdane
