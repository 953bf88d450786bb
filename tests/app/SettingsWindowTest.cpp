// The settings file as the editor window reads it at start and writes it at
// close, the settings and fixed-phrase dialogs, the recent-files list in the
// File menu, and the editing commands that use the settings. Real widgets, real
// files in a fresh configuration folder for each test.
#include "FakePrompts.h"
#include "WindowParts.h"
#include "TestSupport.h"

#include "AppInfo.h"
#include "FindDialogs.h"
#include "HistMenu.h"
#include "RegistryFile.h"
#include "UnitDay.h"
#include "UnitMain.h"
#include "UnitSetting.h"
#include "UnitName.h"
#include "UnitText.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDir>
#include <QFontDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextCursor>

#include <sys/stat.h>

using namespace verdane;
using verdane::test::FakePrompts;
using namespace verdane::test;
using verdane::test::ReadFile;
using verdane::test::TempDir;
using verdane::test::WriteFile;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::unique_ptr<TFormMainVerdane> NewWindow() {
    static const platform::TRegistryFile registry;
    auto w = std::make_unique<TFormMainVerdane>(registry, QStringList{});
    w->show();
    Editor(*w)->setFocus();
    return w;
}

void Select(QPlainTextEdit* editor, int start, int end) {
    QTextCursor c = editor->textCursor();
    c.setPosition(start);
    c.setPosition(end, QTextCursor::KeepAnchor);
    editor->setTextCursor(c);
}

// The settings dialog's answer: change its fields, then press OK (the dialog
// closes only when its checks pass) or Cancel.
std::function<int(QDialog&)> SettingDialog(std::function<void(TFormSetting&)> fill, bool ok = true) {
    return [=](QDialog& d) {
        auto& form = dynamic_cast<TFormSetting&>(d);
        fill(form);
        d.setResult(-1);
        QTest::mouseClick(ok ? form.ButtonOK : form.ButtonCancel, Qt::LeftButton);
        return d.result();
    };
}

}  // namespace

class SettingsWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<FakePrompts> prompts_;
    std::unique_ptr<test::TempConfigHome> config_;
    // Checks made inside a dialog's answer, where QCOMPARE cannot return.
    bool inDialog = true;
    std::string Ini() const { return config_->File("verdane/verdane.INI"); }
    void WriteIni(const std::string& bytes) const {
        QDir().mkpath(Q(config_->File("verdane")));
        WriteFile(Ini(), bytes);
    }

private slots:
    void init() {
        prompts_ = std::make_unique<FakePrompts>();
        config_ = std::make_unique<test::TempConfigHome>();
        inDialog = true;
    }
    void cleanup() {
        QVERIFY2(inDialog, "a check inside a dialog failed");
        prompts_.reset();
        config_.reset();
    }

    void firstStartUsesDefaultsAndCloseWritesEveryKeyInOrder() {
        auto w = NewWindow();
        QCOMPARE(Editor(*w)->palette().color(QPalette::Base), QColor(Qt::white));
        QCOMPARE(SettingsOf(*w).BookmarkMark, QStringLiteral("(BM)"));
        QVERIFY(SettingsOf(*w).Compress);
        QVERIFY(SettingsOf(*w).IncludeBinary);
        prompts_->dialogs.push_back([this](QDialog& d) {
            inDialog &= (dynamic_cast<TFormSetting&>(d).EditPort->text()) == (QStringLiteral("80"));
            return int(QDialog::Rejected);
        });
        Trigger(*w, "MenuSetting");
        QVERIFY(prompts_->dialogs.empty());
        w->resize(600, 400);
        const QPoint at = w->pos();
        QVERIFY(w->close());
        const std::string expected =
            "[Fonts]\nRichEditMainFontName=IPAGothic\nRichEditMainFontSize=9\nRichEditMainFontColor=-16777208\n"
            "RichEditMainFontStyle=0\n"
            "[Setting]\nColor=16777215\nBM=(BM)\nInitDir=\n"
            "[Proxy]\nServer=\nPort=80\nUser=\nPass=\nEnable=0\n"
            "[Window]\nTop=" + std::to_string(at.y()) + "\nLeft=" + std::to_string(at.x()) + "\nWidth=600\nHeight=400\n"
            "[Verdane]\nCompress=1\nBinary=1\nDownloadMaxSeconds=600\n"
            "[Strings]\nText1=\nText2=\nText3=\nText4=\nText5=\nText6=\nText7=\nText8=\n"
            "[URL]\nURL1=\nURL2=\nURL3=\nURL4=\nURL5=\nURL6=\nURL7=\nURL8=\nURL9=\nURL10=\nHTML=1\n"
            "[Find]\nText=\nMatchCase=0\nWholeWord=0\nRegExp=0\nFuzzy=0\nUp=0\nWrap=1\n"
            "[View]\nWordWrap=1\nZoom=0\nLineNumbers=0\n"
            "[History]\nCount=0\n";
        QCOMPARE(ReadFile(Ini()), expected);
        struct stat st{};
        QCOMPARE(::stat(Ini().c_str(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600u);
    }

    void settingsSurviveARestartExactly() {
        test::TempDir dir;
        const QString folder = Q(dir.File("本"));
        QVERIFY(QDir().mkdir(folder));
        {
            auto w = NewWindow();
            prompts_->dialogs.push_back(SettingDialog([](TFormSetting& f) {
                f.CheckBoxUseProxy->click();
                f.EditProxy->setText(QStringLiteral("proxy.example"));
                f.EditPort->setText(QStringLiteral("$1F90"));
                f.EditUser->setText(QStringLiteral("山田"));
                f.EditPass->setText(QStringLiteral(" pass word "));
                f.EditBM->setText(QStringLiteral("★"));
            }));
            Trigger(*w, "MenuSetting");
            QCOMPARE(SettingsOf(*w).Proxy.ProxyPort, 8080);
            prompts_->dialogs.push_back([this](QDialog& d) {
                auto& form = dynamic_cast<TFormText&>(d);
                form.Edits[0]->setText(QStringLiteral("吾輩は猫である"));
                form.Edits[7]->setText(QStringLiteral("\"quoted\""));
                QTest::mouseClick(form.ButtonOK, Qt::LeftButton);
                return d.result();
            });
            Trigger(*w, "T1");
            // A save as a database without compression: the flag, the folder
            // and the recent file come from it.
            SetText(*w, "a\r\n");
            prompts_->saveChoices.push_back({folder + QStringLiteral("/a"), 3});
            prompts_->dialogs.push_back([](QDialog& d) {
                dynamic_cast<TFormName&>(d).CheckBoxCompress->setChecked(false);
                return int(QDialog::Accepted);
            });
            QVERIFY(Save(*w));
            QVERIFY(w->close());
        }
        const std::string first = ReadFile(Ini());
        auto w = NewWindow();
        QCOMPARE(SettingsOf(*w).Proxy.ProxyServer, QStringLiteral("proxy.example"));
        QCOMPARE(SettingsOf(*w).Proxy.ProxyPass, QStringLiteral(" pass word "));
        QCOMPARE(SettingsOf(*w).Proxy.ProxyUser, QStringLiteral("山田"));
        QVERIFY(SettingsOf(*w).Proxy.ProxyEnable);
        QCOMPARE(SettingsOf(*w).BookmarkMark, QStringLiteral("★"));
        QCOMPARE(SettingsOf(*w).FixedPhrases[0], QStringLiteral("吾輩は猫である"));
        QCOMPARE(SettingsOf(*w).FixedPhrases[7], QStringLiteral("\"quoted\""));
        QVERIFY(!SettingsOf(*w).Compress);
        QCOMPARE(Session(*w).Folder(), folder + QStringLiteral("/"));
        QVERIFY(!Save(*w));
        QCOMPARE(prompts_->saveDialogsShown.back().InitialDir, folder + QStringLiteral("/"));
        QCOMPARE(RecentFiles(*w), QStringList{folder + QStringLiteral("/a.PDB")});
        QVERIFY(w->close());  // no file opened in this run: the folder stays
        QCOMPARE(ReadFile(Ini()), first);
    }

    void oddValuesInTheFile() {
        WriteIni("[Fonts]\nRichEditMainFontStyle=3\nRichEditMainFontSize=abc\n"
                 "[Proxy]\nPort=0x50\nEnable=2\n"
                 "[History]\nCount=2\nH0=/x/new.txt\nH1=/x/old.txt\nH5=/x/stale.txt\n");
        auto w = NewWindow();
        QVERIFY(Editor(*w)->font().bold());
        QVERIFY(Editor(*w)->font().italic());
        QCOMPARE(Editor(*w)->font().pointSize(), 9);
        QCOMPARE(SettingsOf(*w).Proxy.ProxyPort, 80);
        QVERIFY(SettingsOf(*w).Proxy.ProxyEnable);
        QCOMPARE(SettingsOf(*w).BookmarkMark, QStringLiteral("(BM)"));
        QVERIFY(SettingsOf(*w).Compress);
        QCOMPARE(Part<THistoryMenu>(*w, "HistoryMenu1")->List().Items(), (QStringList{"/x/new.txt", "/x/old.txt"}));
        QVERIFY(w->close());
        const std::string after = ReadFile(Ini());
        QVERIFY(after.find("RichEditMainFontStyle=3\n") != std::string::npos);
        QVERIFY(after.find("H5=/x/stale.txt\n") != std::string::npos);

        WriteIni("[Proxy]\nPort=abc\n");
        auto second = NewWindow();
        QCOMPARE(SettingsOf(*second).Proxy.ProxyPort, 0);  // a file without a usable port: 0, not 80
    }

    void cp932FileLoadsAndIsWrittenBackAsUtf8() {
        // "Text1=お世話になっております" and a recent path "/home/u/日本語.txt", in CP932.
        const std::string phrase = "\x82\xa8\x90\xa2\x98\x62\x82\xc9\x82\xc8\x82\xc1\x82\xc4\x82\xa8\x82\xe8\x82\xdc\x82\xb7";
        const std::string path = "/home/u/\x93\xfa\x96\x7b\x8c\xea.txt";
        WriteIni("[Strings]\r\nText1=" + phrase + "\r\n[History]\r\nCount=1\r\nH0=" + path + "\r\n");
        auto w = NewWindow();
        QCOMPARE(SettingsOf(*w).FixedPhrases[0], QStringLiteral("お世話になっております"));
        QCOMPARE(Part<THistoryMenu>(*w, "HistoryMenu1")->MenuItems()[0]->text(), QStringLiteral("&0 /home/u/日本語.txt"));
        QVERIFY(w->close());
        const std::string after = ReadFile(Ini());
        QVERIFY(after.find("Text1=お世話になっております\r\n") != std::string::npos);
        QVERIFY(after.find("H0=/home/u/日本語.txt\r\n") != std::string::npos);
    }

    void readOnlySettingsFileIsReportedAndKeptAndTheWindowCloses() {
        WriteIni("[Setting]\nBM=#\n");
        ::chmod(Ini().c_str(), 0444);
        auto w = NewWindow();
        QCOMPARE(SettingsOf(*w).BookmarkMark, QStringLiteral("#"));
        prompts_->messages.clear();
        QVERIFY(w->close());
        QCOMPARE(prompts_->messages.size(), size_t(1));
        QVERIFY(prompts_->messages[0].text.contains(Q(Ini()) + QStringLiteral(" に書き込めません")));
        QVERIFY(prompts_->messages[0].text.contains(QStringLiteral("Permission denied")));
        QCOMPARE(ReadFile(Ini()), std::string("[Setting]\nBM=#\n"));
    }

    void portChecks_data() {
        QTest::addColumn<QString>("port");
        QTest::addColumn<bool>("useProxy");
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("message");  // empty: accepted
        QTest::addColumn<int>("value");
        const QString portMessage = QStringLiteral("ポート番号の入力が正しくありません。\nもう一度入力しなおしてください。");
        const QString serverMessage = QStringLiteral("PROXYｻｰﾊﾞ名を入力してください。");
        QTest::newRow("plain") << "8080" << false << "" << "" << 8080;
        QTest::newRow("leading blank") << " 80" << false << "" << "" << 80;
        QTest::newRow("dollar hex") << "$50" << false << "" << "" << 80;
        QTest::newRow("0x hex") << "0x50" << false << "" << "" << 80;
        QTest::newRow("negative") << "-80" << false << "" << "" << -80;
        QTest::newRow("above 65535") << "70000" << false << "" << "" << 70000;
        QTest::newRow("trailing letter") << "80x" << false << "" << portMessage << 0;
        QTest::newRow("empty, proxy off") << "" << false << "" << portMessage << 0;
        QTest::newRow("too large") << "2147483648" << false << "" << portMessage << 0;
        QTest::newRow("empty server") << "80" << true << "" << serverMessage << 0;
        QTest::newRow("port checked first") << "x" << true << "" << portMessage << 0;
        QTest::newRow("server given") << "80" << true << "proxy" << "" << 80;
    }
    void portChecks() {
        QFETCH(QString, port);
        QFETCH(bool, useProxy);
        QFETCH(QString, server);
        QFETCH(QString, message);
        QFETCH(int, value);
        auto w = NewWindow();
        prompts_->messages.clear();
        int result = -1;
        prompts_->dialogs.push_back([&](QDialog& d) {
            auto& f = dynamic_cast<TFormSetting&>(d);
            f.CheckBoxUseProxy->setChecked(useProxy);
            f.CheckBoxUseProxyClick();
            inDialog &= (f.EditProxy->isEnabled()) == (useProxy);
            inDialog &= (f.EditPass->isEnabled()) == (useProxy);
            f.EditPort->setText(port);
            f.EditProxy->setText(server);
            d.setResult(-1);
            QTest::mouseClick(f.ButtonOK, Qt::LeftButton);
            result = d.result();
            return result == -1 ? int(QDialog::Rejected) : result;
        });
        Trigger(*w, "MenuSetting");
        if (message.isEmpty()) {
            QCOMPARE(result, int(QDialog::Accepted));
            QVERIFY(prompts_->messages.empty());
            QCOMPARE(SettingsOf(*w).Proxy.ProxyPort, value);
        } else {
            QCOMPARE(result, -1);  // the dialog stayed open
            QCOMPARE(prompts_->messages.size(), size_t(1));
            QCOMPARE(prompts_->messages[0].text, message);
            QCOMPARE(prompts_->messages[0].icon, QMessageBox::Critical);
            QCOMPARE(SettingsOf(*w).Proxy.ProxyPort, 80);
        }
    }

    void cancelChangesNothingAndTheFontDialogStartsFromTheEditorsFont() {
        auto w = NewWindow();
        const QFont before = Editor(*w)->font();
        const QColor background = Editor(*w)->palette().color(QPalette::Base);
        QFont big(QStringLiteral("IPAGothic"), 20);
        QList<int> fontDialogStarts;  // point sizes
        auto chooseNavy = [](QDialog& d) {
            dynamic_cast<QColorDialog&>(d).setCurrentColor(QColor(0, 0, 128));
            return int(QDialog::Accepted);
        };
        auto chooseFont = [&](QDialog& d) {
            auto& dialog = dynamic_cast<QFontDialog&>(d);
            fontDialogStarts << dialog.currentFont().pointSize();
            dialog.setCurrentFont(big);
            return int(QDialog::Accepted);
        };
        prompts_->dialogs.push_back(SettingDialog(
            [&](TFormSetting& f) {
                prompts_->dialogs.push_back(chooseFont);
                f.ButtonFontClick();
                QCOMPARE(f.SampleFont.pointSize(), 20);
                prompts_->dialogs.push_back(chooseFont);
                f.ButtonFontClick();
                prompts_->dialogs.push_back(chooseNavy);
                f.ButtonColorClick();
                QCOMPARE(f.StaticTextFont->palette().color(QPalette::Window), QColor(0, 0, 128));
                f.EditBM->setText(QStringLiteral("changed"));
            },
            false));
        Trigger(*w, "MenuSetting");
        QCOMPARE(fontDialogStarts, QList<int>(2, before.pointSize()));  // not 20 the second time
        QCOMPARE(Editor(*w)->font(), before);
        QCOMPARE(Editor(*w)->palette().color(QPalette::Base), background);
        QCOMPARE(SettingsOf(*w).BookmarkMark, QStringLiteral("(BM)"));

        // The same changes with OK reach the editor and the settings.
        prompts_->dialogs.push_back(SettingDialog([&](TFormSetting& f) {
            prompts_->dialogs.push_back(chooseFont);
            f.ButtonFontClick();
            prompts_->dialogs.push_back(chooseNavy);
            f.ButtonColorClick();
            f.EditBM->clear();
        }));
        Trigger(*w, "MenuSetting");
        QCOMPARE(Editor(*w)->font().pointSize(), 20);
        QCOMPARE(Editor(*w)->palette().color(QPalette::Base), QColor(0, 0, 128));
        QCOMPARE(SettingsOf(*w).EditorBackground, 0x800000);
        QCOMPARE(SettingsOf(*w).BookmarkMark, QString());
        QVERIFY(w->close());
        const std::string after = ReadFile(Ini());
        QVERIFY(after.find("RichEditMainFontSize=20\n") != std::string::npos);
        QVERIFY(after.find("Color=8388608\nBM=\n") != std::string::npos);
    }

    // The font dialog starts on the face the editor shows, and OK there keeps
    // it; the text colour is chosen beside the background; Cancel in either
    // dialog changes nothing, whatever was browsed.
    void fontAndTextColourButtons_data() {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<bool>("fontButton");  // else the text colour's
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("startFace");
        QTest::addColumn<QByteArray>("written");  // in the settings file at close
        const QByteArray windows = "[Fonts]\nRichEditMainFontName=ＭＳ Ｐゴシック\n";
        const QByteArray size = "\nRichEditMainFontSize=9\n";
        QTest::newRow("default face, cancelled") << QByteArray() << true << false << "IPAGothic" << "Name=IPAGothic" + size;
        QTest::newRow("a Windows face as shown") << windows << true << true << "IPAPGothic" << "Name=IPAPGothic" + size;
        QTest::newRow("a Windows face, cancelled") << windows << true << false << "IPAPGothic" << "Name=ＭＳ Ｐゴシック" + size;
        QTest::newRow("text colour") << QByteArray() << false << true << "" << QByteArray("Color=8388608\n");
        QTest::newRow("text colour, cancelled") << QByteArray() << false << false << "" << QByteArray("Color=-16777208\n");
    }
    void fontAndTextColourButtons() {
        QFETCH(QByteArray, ini);
        QFETCH(bool, fontButton);
        QFETCH(bool, accept);
        QFETCH(QString, startFace);
        QFETCH(QByteArray, written);
        InstallFontSubstitutions();  // as the program's start does
        if (!ini.isEmpty()) WriteIni(ini.toStdString());
        auto w = NewWindow();
        QString started;
        prompts_->dialogs.push_back(SettingDialog([&](TFormSetting& f) {
            prompts_->dialogs.push_back([&](QDialog& d) {
                if (auto* fonts = qobject_cast<QFontDialog*>(&d)) {
                    started = fonts->currentFont().family();
                    if (!accept) fonts->setCurrentFont(QFont(QStringLiteral("IPAMincho"), 20));
                } else {
                    qobject_cast<QColorDialog*>(&d)->setCurrentColor(accept ? QColor(0, 0, 128) : Qt::red);
                }
                return int(accept ? QDialog::Accepted : QDialog::Rejected);
            });
            fontButton ? f.ButtonFontClick() : f.ButtonFontColorClick();
        }));
        Trigger(*w, "MenuSetting");
        QCOMPARE(started, startFace);
        QCOMPARE(Editor(*w)->palette().color(QPalette::Text) == QColor(0, 0, 128), !fontButton && accept);
        QVERIFY(w->close());
        QVERIFY(ReadFile(Ini()).find("RichEditMainFont" + written.toStdString()) != std::string::npos);
    }

    void bookmarkFollowsAChangedMark() {
        auto w = NewWindow();
        Editor(*w)->setPlainText(QStringLiteral("first\nlast"));
        Select(Editor(*w), 2, 4);
        Trigger(*w, "MenuBM");
        QCOMPARE(Editor(*w)->toPlainText(), QStringLiteral("fi(BM)rst\nlast\n<(BM)>"));
        Trigger(*w, "MenuBM");
        QCOMPARE(Editor(*w)->toPlainText(), QStringLiteral("fi(BM)(BM)rst\nlast\n<(BM)>"));
        prompts_->dialogs.push_back(SettingDialog([](TFormSetting& f) { f.EditBM->setText(QStringLiteral("#")); }));
        Trigger(*w, "MenuSetting");
        Select(Editor(*w), 0, 0);
        Trigger(*w, "MenuBM");
        QCOMPARE(Editor(*w)->toPlainText(), QStringLiteral("#fi(BM)(BM)rst\nlast\n<(BM)>\n<#>"));
        TriggerWhenIdle(*w, "MenuUndo");
        QCOMPARE(Editor(*w)->toPlainText(), QStringLiteral("fi(BM)(BM)rst\nlast\n<(BM)>"));
        SetModified(*w, false);
    }

    void fixedPhrasesOnCtrlDigitsOfTheMainKeyboard() {
        WriteIni("[Strings]\nText1=one\nText3=三\nText8=eight\n");
        auto w = NewWindow();
        QPlainTextEdit* e = Editor(*w);
        e->setPlainText(QStringLiteral("word"));
        Select(e, 4, 4);
        QTest::keyClick(e, Qt::Key_1, Qt::ControlModifier);
        QCOMPARE(e->toPlainText(), QStringLiteral("wordone"));
        Select(e, 0, 4);
        QTest::keyClick(e, Qt::Key_3, Qt::ControlModifier);
        QCOMPARE(e->toPlainText(), QStringLiteral("三one"));
        QTest::keyClick(e, Qt::Key_8, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(e->toPlainText(), QStringLiteral("三eightone"));
        Select(e, 0, 1);
        QTest::keyClick(e, Qt::Key_2, Qt::ControlModifier);  // phrase 2 empty
        QTest::keyClick(e, Qt::Key_9, Qt::ControlModifier);
        QTest::keyClick(e, Qt::Key_1, Qt::ControlModifier | Qt::KeypadModifier);
        QTest::keyClick(e, Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(e->toPlainText(), QStringLiteral("三eightone"));
        QCOMPARE(e->textCursor().selectedText(), QStringLiteral("三"));
        SetModified(*w, false);
    }

    void fixedPhraseDialogCancelKeepsThePhrases() {
        WriteIni("[Strings]\nText2=old\n");
        auto w = NewWindow();
        prompts_->dialogs.push_back([this](QDialog& d) {
            auto& form = dynamic_cast<TFormText&>(d);
            inDialog &= (form.Edits[1]->text()) == (QStringLiteral("old"));
            inDialog &= (form.Labels[1]->text()) == (QStringLiteral("定型文-2"));
            inDialog &= bool(form.Labels[1]->font().bold());
            form.Edits[1]->setText(QStringLiteral("new"));
            QTest::mouseClick(form.ButtonCancel, Qt::LeftButton);
            return d.result();
        });
        Trigger(*w, "T1");
        QCOMPARE(SettingsOf(*w).FixedPhrases[1], QStringLiteral("old"));
    }

    void dateDialogAndTimeMenuUseThePatternFile() {
        QDir().mkpath(Q(config_->File("verdane")));
        WriteFile(config_->File("verdane/verdane.DFF"), "# my patterns\r\n\r\nyyyy\r\n\"broken\r\n\x94\x4e yyyy\r\n");
        auto w = NewWindow();
        QCOMPARE(Part<TFormDay>(*w, "FormDay")->DateFormats, (QStringList{"yyyy", "\"broken", "年 yyyy"}));
        Part<TFormDay>(*w, "FormDay")->Now = [] { return QDateTime(QDate(2001, 3, 5), QTime(14, 7, 9)); };
        Editor(*w)->setPlainText(QStringLiteral("selected"));
        Select(Editor(*w), 0, 8);
        prompts_->dialogs.push_back([this](QDialog& d) {
            auto& form = dynamic_cast<TFormDay&>(d);
            inDialog &= form.ListBoxFormat->count() == 2;  // the broken pattern left out
            inDialog &= (form.ListBoxFormat->currentRow()) == (0);
            form.ListBoxFormat->setCurrentRow(1);
            QTest::mouseClick(form.ButtonOK, Qt::LeftButton);
            return d.result();
        });
        Trigger(*w, "EditDay");
        QCOMPARE(Editor(*w)->toPlainText(), QStringLiteral("年 2001selected"));
        QCOMPARE(Part<TFormDay>(*w, "FormDay")->SelectedFormat, 1);

        // The time menu offers the same lines; an item inserts its caption.
        QMetaObject::invokeMethod(Part<QMenu>(*w, "PopupMenuTime"), "aboutToShow");
        const QList<QAction*> items = Part<QMenu>(*w, "PopupMenuTime")->actions();
        QCOMPARE(items.size(), 2);
        QCOMPARE(items[0]->text(), QStringLiteral("2001"));
        Select(Editor(*w), 0, 0);
        items[0]->trigger();
        QCOMPARE(Editor(*w)->toPlainText(), QStringLiteral("2001年 2001selected"));

        // Cancel inserts nothing and keeps the last choice.
        prompts_->dialogs.push_back([this](QDialog& d) {
            auto& form = dynamic_cast<TFormDay&>(d);
            inDialog &= (form.ListBoxFormat->currentRow()) == (1);
            QTest::mouseClick(form.ButtonClose, Qt::LeftButton);
            return d.result();
        });
        Trigger(*w, "EditDay");
        QCOMPARE(Editor(*w)->toPlainText(), QStringLiteral("2001年 2001selected"));
        SetModified(*w, false);
    }

    void withoutAPatternFileTheBuiltInPatternsShow() {
        auto w = NewWindow();
        QCOMPARE(Part<TFormDay>(*w, "FormDay")->DateFormats.size(), 28);
        Part<TFormDay>(*w, "FormDay")->Locale = QLocale(QLocale::Japanese, QLocale::Japan);
        Part<TFormDay>(*w, "FormDay")->Now = [] { return QDateTime(QDate(2001, 3, 5), QTime(14, 7, 9)); };
        Part<TFormDay>(*w, "FormDay")->FormShow();
        QCOMPARE(Part<TFormDay>(*w, "FormDay")->ListBoxFormat->count(), 28);
        QCOMPARE(Part<TFormDay>(*w, "FormDay")->ListBoxFormat->item(0)->text(), QStringLiteral("(2001/03/05)"));
        QCOMPARE(Part<TFormDay>(*w, "FormDay")->ListBoxFormat->item(14)->text(), QStringLiteral("2001年3月5日"));
        QCOMPARE(Part<TFormDay>(*w, "FormDay")->ListBoxFormat->item(24)->text(), QStringLiteral("午後 2:7:9"));
    }

    void theShippedPatternFileHoldsTheBuiltInPatterns() {
        QCOMPARE(LoadDatePatterns(QStringLiteral(VERDANE_SOURCE_DIR "/data/verdane.DFF")), BuiltInDatePatterns());
        QCOMPARE(LoadDatePatterns(Q(config_->File("missing.DFF"))), BuiltInDatePatterns());
    }

    void pickingARecentFileAsksTheSaveQuestionFirst_data() {
        QTest::addColumn<int>("answer");
        QTest::newRow("no: the edits are dropped") << int(QMessageBox::No);
        QTest::newRow("yes: the edits are saved first") << int(QMessageBox::Yes);
    }

    void pickingARecentFileAsksTheSaveQuestionFirst() {
        QFETCH(int, answer);
        TempDir dir;
        for (const char* name : {"c.txt", "b.txt", "a.txt"}) WriteFile(dir.File(name), std::string("text of ") + name);
        auto w = NewWindow();
        for (const char* name : {"c.txt", "b.txt", "a.txt"}) Part<THistoryMenu>(*w, "HistoryMenu1")->AddHistory(Q(dir.File(name)));
        const QList<QAction*> file = Part<QMenu>(*w, "MenuFile")->actions();
        const qsizetype anchor = file.indexOf(Action(*w, "FileN1"));
        QCOMPARE(file[anchor + 1]->text(), QStringLiteral("&0 ") + Q(dir.File("a.txt")));
        QCOMPARE(file[anchor + 3]->text(), QStringLiteral("&2 ") + Q(dir.File("c.txt")));
        QVERIFY(file[anchor + 4]->isSeparator());
        QCOMPARE(file[anchor + 5], Action(*w, "MenuQuit"));
        Editor(*w)->setPlainText(QStringLiteral("unsaved"));
        SetModified(*w, true);
        prompts_->messages.clear();
        prompts_->answers.push_back(static_cast<QMessageBox::StandardButton>(answer));
        prompts_->saveChoices.push_back({Q(dir.File("edits")), 1});
        file[anchor + 3]->trigger();
        QCOMPARE(prompts_->Texts(), QStringList{QStringLiteral("文書が変更されています。\n保存しますか?")});
        QCOMPARE(Bytes(*w), std::string("text of c.txt"));
        QCOMPARE(Session(*w).Document().Path(), Q(dir.File("c.txt")));
        QVERIFY(!Modified(*w));
        if (answer == QMessageBox::Yes) QCOMPARE(ReadFile(dir.File("edits.TXT")), std::string("unsaved"));
        else QVERIFY(!test::FileExists(dir.File("edits.TXT")));
        QCOMPARE(Part<THistoryMenu>(*w, "HistoryMenu1")->MenuItems()[0]->text(), QStringLiteral("&0 ") + Q(dir.File("c.txt")));
    }

    void aRecentPickWhoseSaveIsCancelledKeepsTheEdits() {
        TempDir dir;
        WriteFile(dir.File("c.txt"), "text of c.txt");
        auto w = NewWindow();
        Editor(*w)->setPlainText(QStringLiteral("unsaved"));
        SetModified(*w, true);
        prompts_->answers.push_back(QMessageBox::Yes);
        prompts_->saveChoices.push_back({});  // the save dialog is cancelled
        PickRecent(*w, Q(dir.File("c.txt")));
        QCOMPARE(Bytes(*w), std::string("unsaved"));
        QVERIFY(Modified(*w));
        QCOMPARE(Session(*w).Document().Path(), QString());
    }

    void findAndReplaceThroughTheDialogs() {
        auto w = NewWindow();
        Editor(*w)->setPlainText(QStringLiteral("abc ABC abc"));
        Trigger(*w, "FindFind");
        QVERIFY(Part<TFindDialog>(*w, "FindDialog1")->isVisible());
        Part<TFindDialog>(*w, "FindDialog1")->SetFindText(QStringLiteral("abc"));
        QTest::mouseClick(Part<TFindDialog>(*w, "FindDialog1")->ButtonFindNext, Qt::LeftButton);
        QCOMPARE(Editor(*w)->textCursor().selectionStart(), 0);
        Trigger(*w, "FindNext");
        QCOMPARE(Editor(*w)->textCursor().selectionStart(), 4);
        Part<TFindDialog>(*w, "FindDialog1")->close();

        // Replace uses the last Find's text, not the one typed in the dialog since.
        Trigger(*w, "FindReplace");
        Part<TReplaceDialog>(*w, "ReplaceDialog1")->SetFindText(QStringLiteral("zzz"));
        Part<TReplaceDialog>(*w, "ReplaceDialog1")->EditReplaceText()->setText(QStringLiteral("x"));
        QTest::mouseClick(Part<TReplaceDialog>(*w, "ReplaceDialog1")->ButtonReplaceOne(), Qt::LeftButton);
        QCOMPARE(Editor(*w)->toPlainText(), QStringLiteral("abc x abc"));
        QCOMPARE(Editor(*w)->textCursor().selectedText(), QStringLiteral("abc"));

        Select(Editor(*w), 0, 0);
        Part<TReplaceDialog>(*w, "ReplaceDialog1")->SetFindText(QStringLiteral("ABC"));
        QTest::mouseClick(Part<TReplaceDialog>(*w, "ReplaceDialog1")->ButtonReplaceEvery(), Qt::LeftButton);
        QCOMPARE(Editor(*w)->toPlainText(), QStringLiteral("x x x"));
        QVERIFY(Part<TReplaceDialog>(*w, "ReplaceDialog1")->isVisible());  // it stays for more
        TriggerWhenIdle(*w, "MenuUndo");
        QCOMPARE(Editor(*w)->toPlainText(), QStringLiteral("abc x abc"));
        SetModified(*w, false);
    }
};

QTEST_MAIN(SettingsWindowTest)
#include "SettingsWindowTest.moc"
