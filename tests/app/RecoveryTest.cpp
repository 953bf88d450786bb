// Snapshots of unsaved texts: reading whole, damaged and newer files; which
// ones the start offers; a window's keeper writing, removing and restoring one.
#include "DocumentSession.h"
#include "KanjiCode.h"
#include "Recovery.h"
#include "RecoveryDialog.h"
#include "TestSupport.h"
#include "TextBookmarks.h"

#include <QDir>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QProcess>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace verdane;
using State = RecoverySnapshot::State;

namespace {

std::string Header(const std::string& pid, const std::string& bytes, const std::string& first = "VerdaneRecovery 1") {
    return first + "\nid: a1\npid: " + pid + "\nstart: 7\nboot: \nsaved: 2026-01-02T03:04:05.000Z\nkind: text\n" +
           "path: %2Fbooks%2Fa%0Ab.txt\nurl: \ntitle: 4e6f7465\ncode: 5\nends: crlf\ncaret: 2\nbytes: " + bytes +
           "\n\n";
}

// A recovery folder in a temporary folder, with a snapshot file of the user's
// own (0600) written into it.
struct Folder {
    test::TempDir dir;
    QString path = QString::fromStdString(dir.Path()) + QStringLiteral("/state/recovery");
    platform::OwnFolder own = OpenRecoveryFolder(path);
    std::string File(const char* name) const { return own.Path() + "/" + name; }
    void Put(const char* name, const std::string& bytes) const {
        test::WriteFile(File(name), bytes);
        ::chmod(File(name).c_str(), 0600);
    }
    RecoverySnapshot Read(const QString& file, bool withText = true) const {
        return ReadSnapshot(own, QFileInfo(file).fileName(), withText);
    }
};

}  // namespace

class RecoveryTest : public QObject {
    Q_OBJECT
private slots:
    void readingTellsWholeDamagedAndNewerApart_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("text");
        const std::string text = "abc\n日本語";
        auto row = [](const char* name, const std::string& file, State state, const QString& text = {}) {
            QTest::newRow(name) << QByteArray::fromStdString(file) << int(state) << text;
        };
        row("whole", Header("123", "13") + text, State::Good, QStringLiteral("abc\n日本語"));
        row("empty text", Header("123", "0"), State::Good, QString());
        row("cut short", Header("123", "13") + text.substr(0, 8), State::Damaged);
        row("longer than said", Header("123", "13") + text + "x", State::Damaged);
        row("not UTF-8", Header("123", "4") + "ab\x82\xa0", State::Damaged);
        row("half a character at the end", Header("123", "5") + "abc\xe6\x97", State::Damaged);
        row("no pid", Header("", "3") + "abc", State::Damaged);
        row("length not a number", Header("123", "1x") + "abc", State::Damaged);
        row("no end of header", "VerdaneRecovery 1\nid: a1\npid: 1", State::Damaged);
        row("another file", "first line\r\nsecond\r\n", State::Damaged);
        row("empty file", "", State::Damaged);
        row("version not a number", Header("123", "3", "VerdaneRecovery x") + "abc", State::Damaged);
        row("newer version", Header("123", "3", "VerdaneRecovery 2") + "abc", State::Newer);
        row("newer with another layout", "VerdaneRecovery 9\n\x01\x02 binary", State::Newer);
    }
    void readingTellsWholeDamagedAndNewerApart() {
        QFETCH(QByteArray, file);
        QFETCH(int, state);
        QFETCH(QString, text);
        Folder folder;
        folder.Put("x.snapshot", file.toStdString());
        const RecoverySnapshot read = folder.Read(QStringLiteral("x.snapshot"));
        QCOMPARE(int(read.state), state);
        QCOMPARE(read.problem.isEmpty(), state == int(State::Good));
        QCOMPARE(QString::fromStdString(read.text), text);
        if (read.state == State::Good) {
            QCOMPARE(read.document.Path(), QStringLiteral("/books/a\nb.txt"));
            QCOMPARE(read.document.Code(), int(kcShiftJis));
            QCOMPARE(read.caret, 2);
            QCOMPARE(read.characters, text.size());
        }
    }

    void onlySnapshotsOfEndedProcessesAreOffered_data() {
        QTest::addColumn<qint64>("pid");
        QTest::addColumn<QString>("start");
        QTest::addColumn<bool>("offered");
        QProcess ended;
        ended.start(QStringLiteral("true"));
        ended.waitForFinished();
        QTest::newRow("this process") << QCoreApplication::applicationPid() << QString() << false;
        QTest::newRow("ended process") << ended.processId() << QString() << true;
        QTest::newRow("same pid, another start") << QCoreApplication::applicationPid() << QStringLiteral("1") << true;
        // Ended but not reaped by its parent yet: a zombie is no owner.
        const pid_t zombie = ::fork();
        if (zombie == 0) ::_exit(0);
        QTest::qWait(200);
        QTest::newRow("ended, not reaped yet") << qint64(zombie) << QString() << true;
    }
    void onlySnapshotsOfEndedProcessesAreOffered() {
        QFETCH(qint64, pid);
        QFETCH(QString, start);
        QFETCH(bool, offered);
        Folder folder;
        std::string file = Header(std::to_string(pid), "3") + "abc";
        if (!start.isEmpty()) file.replace(file.find("start: 7"), 8, "start: " + start.toStdString());
        else file.replace(file.find("start: 7"), 8, "start: 0");
        folder.Put("x.snapshot", file);
        QCOMPARE(OrphanedSnapshots(folder.path).size(), std::size_t(offered));
    }

    void editsWhileTheCopyRunsReachTheSnapshot_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("removed");
        QTest::addColumn<QString>("added");
        const int copied = RecoveryKeeper::kSlice;
        QTest::newRow("typed in the copied part") << 10 << 0 << QStringLiteral("あい");
        QTest::newRow("line break in the copied part") << 5 << 0 << QStringLiteral("\n");
        QTest::newRow("deleted in the copied part") << 100 << 50 << QString();
        QTest::newRow("replaced at the end of the copied part") << copied - 20 << 20 << QStringLiteral("x");
        QTest::newRow("replaced across the end of the copied part") << copied - 10 << 20 << QStringLiteral("yz");
        QTest::newRow("typed after the copied part") << copied + 10 << 0 << QStringLiteral("後");
        QTest::newRow("everything removed") << 0 << -1 << QString();
        QTest::newRow("replaced from the start past the copied part") << 0 << copied + 5 << QStringLiteral("新");
    }
    void editsWhileTheCopyRunsReachTheSnapshot() {
        QFETCH(int, position);
        QFETCH(int, removed);
        QFETCH(QString, added);
        Folder folder;
        QPlainTextEdit editor;
        DocumentSession session(editor, nullptr);
        RecoveryKeeper keeper(session, nullptr, folder.path);
        QString text;
        for (int line = 0; text.size() < RecoveryKeeper::kAtOnce + 2 * RecoveryKeeper::kSlice; ++line)
            text += QStringLiteral("%1 行目、吾輩は猫である。\n").arg(line);
        editor.setPlainText(text);
        editor.document()->setModified(true);
        keeper.SnapshotNow();  // the first slice is copied now, the rest in later turns
        QTextCursor edit(editor.document());
        edit.setPosition(position);
        edit.setPosition(removed < 0 ? editor.document()->characterCount() - 1 : position + removed,
                         QTextCursor::KeepAnchor);
        edit.insertText(added);
        keeper.WaitForWrites();
        const QString written = QString::fromStdString(folder.Read(keeper.SnapshotFile()).text);
        QCOMPARE(written, editor.toPlainText());
    }

    void keeperWritesRemovesAndHandsOnASnapshot() {
        Folder at;
        const QString folder = at.path;
        QPlainTextEdit editor;
        DocumentSession session(editor, nullptr);
        RecoveryKeeper keeper(session, nullptr, folder);
        session.Adopt(core::Document::ReadFrom(QStringLiteral("/books/a.txt"), core::DocKind::Text, {}, kcUtf8,
                                               core::LineEnds::Lf));
        editor.insertPlainText(QStringLiteral("日本\ntwo"));
        // A bookmark at "two" (its byte offset in the Shift-JIS text with CR LF), named "一".
        session.Bookmarks().Place({{"\x88\xea", 6}}, "\x93\xfa\x96\x7b\r\ntwo", kcShiftJis);
        keeper.SnapshotNow();
        keeper.WaitForWrites();
        const RecoverySnapshot written = at.Read(keeper.SnapshotFile());
        QCOMPARE(int(written.state), int(State::Good));
        QCOMPARE(QString::fromStdString(written.text), QStringLiteral("日本\ntwo"));
        QCOMPARE(written.caret, 6);
        QCOMPARE(QFileInfo(keeper.SnapshotFile()).permissions() & 0x0077, QFileDevice::Permissions());

        // Another window takes it: modified, the same file and code, its own snapshot in place of the old.
        QPlainTextEdit other;
        DocumentSession otherSession(other, nullptr);
        {
            RecoveryKeeper heir(otherSession, nullptr, folder);
            heir.Restore(written);
            heir.WaitForWrites();
            QCOMPARE(other.toPlainText(), QStringLiteral("日本\ntwo"));
            QVERIFY(otherSession.Modified());
            QCOMPARE(otherSession.Document().Path(), QStringLiteral("/books/a.txt"));
            QCOMPARE(otherSession.Document().Code(), int(kcUtf8));
            QCOMPARE(other.textCursor().position(), 6);
            QCOMPARE(otherSession.Bookmarks().Count(), 1);
            QCOMPARE(otherSession.Bookmarks().Position(0), 3);
            QCOMPARE(otherSession.Bookmarks().Name(0), QStringLiteral("一"));
            QVERIFY(!QFile::exists(keeper.SnapshotFile()));
            QVERIFY(QFile::exists(heir.SnapshotFile()));
            // Saved (here: the text no longer modified): the snapshot goes.
            other.document()->setModified(false);
            heir.WaitForWrites();
            QVERIFY(!QFile::exists(heir.SnapshotFile()));
        }
    }

    // Folders that are not the user's own: a link to a shared sticky folder
    // (where the text would be planted for others), another user's folder, a
    // file in the folder's place. None receives a snapshot, none is changed,
    // the window says why once and goes on.
    void aFolderThatIsNotOursReceivesNoSnapshot_data() {
        QTest::addColumn<QString>("setUp");
        QTest::addColumn<QString>("reason");
        QTest::newRow("state folder a link") << "ln -s $shared $base/state" << "ﾌｫﾙﾀﾞがリンクです";
        QTest::newRow("recovery folder a link") << "mkdir -m 700 $base/state && ln -s $shared $base/state/recovery"
                                                << "ﾌｫﾙﾀﾞがリンクです";
        QTest::newRow("state folder another user's") << "mkdir -m 777 $base/state && chown nobody $base/state"
                                                     << "ﾌｫﾙﾀﾞが他人のものです";
        QTest::newRow("recovery folder another user's")
            << "mkdir -m 700 $base/state && mkdir -m 777 $base/state/recovery && chown nobody $base/state/recovery"
            << "ﾌｫﾙﾀﾞが他人のものです";
        QTest::newRow("a file in the state folder's place") << "touch $base/state" << "ﾌｫﾙﾀﾞ";
    }
    void aFolderThatIsNotOursReceivesNoSnapshot() {
        QFETCH(QString, setUp);
        QFETCH(QString, reason);
        test::TempDir dir;
        const QString base = QString::fromStdString(dir.Path()), shared = base + QStringLiteral("/shared");
        QVERIFY(QDir().mkdir(shared));
        ::chmod(shared.toLocal8Bit().constData(), 01777);
        QProcess shell;
        shell.setEnvironment({QStringLiteral("PATH=/usr/bin:/bin"), QStringLiteral("base=") + base,
                              QStringLiteral("shared=") + shared});
        shell.start(QStringLiteral("sh"), {QStringLiteral("-c"), setUp});
        QVERIFY(shell.waitForFinished() && shell.exitCode() == 0);
        QMainWindow window;
        QPlainTextEdit editor;
        DocumentSession session(editor, nullptr);
        RecoveryKeeper keeper(session, &window, base + QStringLiteral("/state/recovery"));
        editor.setPlainText(QStringLiteral("secret"));
        editor.document()->setModified(true);
        keeper.SnapshotNow();
        keeper.WaitForWrites();
        QVERIFY2(window.statusBar()->currentMessage().contains(reason), qPrintable(window.statusBar()->currentMessage()));
        window.statusBar()->clearMessage();
        keeper.SnapshotNow();
        keeper.WaitForWrites();
        QCOMPARE(window.statusBar()->currentMessage(), QString());  // said once
        QCOMPARE(test::ListDir(shared.toStdString()), std::vector<std::string>());
        struct stat info{};
        ::stat(shared.toLocal8Bit().constData(), &info);
        QCOMPARE(info.st_mode & 07777, 01777u);
        QVERIFY(OrphanedSnapshots(base + QStringLiteral("/state/recovery")).empty());
    }

    // Only the user's own regular files of mode 0600 are read and offered.
    void onlyTheUsersOwnSnapshotsAreOffered_data() {
        QTest::addColumn<QString>("setUp");
        QTest::addColumn<bool>("offered");
        QTest::newRow("own, 0600") << "cp $good x.snapshot && chmod 600 x.snapshot" << true;
        QTest::newRow("a link to an own snapshot") << "ln -s $good x.snapshot" << false;
        QTest::newRow("another user's") << "cp $good x.snapshot && chmod 600 x.snapshot && chown nobody x.snapshot"
                                        << false;
        QTest::newRow("readable by others") << "cp $good x.snapshot && chmod 644 x.snapshot" << false;
        QTest::newRow("a FIFO") << "mkfifo -m 600 x.snapshot" << false;
        QTest::newRow("a folder") << "mkdir -m 700 x.snapshot" << false;
    }
    void onlyTheUsersOwnSnapshotsAreOffered() {
        QFETCH(QString, setUp);
        QFETCH(bool, offered);
        Folder folder;
        const std::string good = folder.dir.File("good");
        test::WriteFile(good, Header("1", "3") + "abc");
        ::chmod(good.c_str(), 0600);
        QProcess shell;
        shell.setWorkingDirectory(QString::fromStdString(folder.own.Path()));
        shell.setEnvironment({QStringLiteral("PATH=/usr/bin:/bin"), QStringLiteral("good=") + QString::fromStdString(good)});
        shell.start(QStringLiteral("sh"), {QStringLiteral("-c"), setUp});
        QVERIFY(shell.waitForFinished() && shell.exitCode() == 0);
        const std::vector<RecoverySnapshot> found = OrphanedSnapshots(folder.path);
        QCOMPARE(found.size(), std::size_t(offered));
        if (offered) QCOMPARE(found[0].bytes, 3);
    }

    // A snapshot is listed from its header: a text of a gigabyte (a sparse
    // file here) is not read to show its size, and only the newest few are
    // preset for restoring.
    void theListReadsHeadersAndPresetsOnlyTheNewest() {
        Folder folder;
        const qint64 huge = qint64(1) << 30;
        for (int k = 0; k < 5; ++k) {
            const std::string name = "s" + std::to_string(k) + ".snapshot";
            std::string header = Header("1", std::to_string(huge - 4096));
            header.replace(header.find("03:04:05"), 8, "03:04:0" + std::to_string(k));
            folder.Put(name.c_str(), header);
            QCOMPARE(::truncate(folder.File(name.c_str()).c_str(), off_t(header.size() + huge - 4096)), 0);
        }
        const std::vector<RecoverySnapshot> found = OrphanedSnapshots(folder.path);
        QCOMPARE(found.size(), std::size_t(5));
        QCOMPARE(found[0].bytes, huge - 4096);
        QCOMPARE(found[0].characters, -1);
        TFormRecovery form(found, nullptr);
        using Choice = TFormRecovery::Choice;
        const std::vector<Choice> preset{Choice::Keep, Choice::Keep, Choice::Restore, Choice::Restore, Choice::Restore};
        for (int row = 0; row < 5; ++row) QCOMPARE(form.ChoiceOf(row), preset[std::size_t(row)]);
    }

    // A restore cancelled half-way leaves a new empty text and the snapshot.
    void aCancelledRestoreKeepsTheSnapshot() {
        Folder folder;
        std::string text;
        while (text.size() < 1 << 20) text += "吾輩は猫である。\n";
        folder.Put("old.snapshot", Header("1", std::to_string(text.size())) + text);
        const RecoverySnapshot snapshot = folder.Read(QStringLiteral("old.snapshot"));
        QCOMPARE(int(snapshot.state), int(State::Good));
        QPlainTextEdit editor;
        DocumentSession session(editor, nullptr);
        RecoveryKeeper keeper(session, nullptr, folder.path);
        TextFillOptions fill;
        fill.pieceBytes = 4096;
        fill.turnEveryMs = 0;
        fill.turn = [] {};
        fill.cancelled = [] { return true; };
        QVERIFY(!keeper.Restore(snapshot, fill));
        keeper.WaitForWrites();
        QVERIFY(editor.toPlainText().isEmpty());
        QVERIFY(!session.Modified());
        QVERIFY(session.Document().Path().isEmpty());
        QVERIFY(test::FileExists(folder.File("old.snapshot")));
    }
};

QTEST_MAIN(RecoveryTest)
#include "RecoveryTest.moc"
