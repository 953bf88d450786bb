// Snapshots of unsaved texts: reading whole, damaged and newer files; which
// ones the start offers; a window's keeper writing, removing and restoring one.
#include "DocumentSession.h"
#include "KanjiCode.h"
#include "Recovery.h"
#include "TestSupport.h"
#include "TextBookmarks.h"

#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>

#include <unistd.h>

using namespace verdane;
using State = RecoverySnapshot::State;

namespace {

std::string Header(const std::string& pid, const std::string& bytes, const std::string& first = "VerdaneRecovery 1") {
    return first + "\nid: a1\npid: " + pid + "\nstart: 7\nboot: \nsaved: 2026-01-02T03:04:05.000Z\nkind: text\n" +
           "path: %2Fbooks%2Fa%0Ab.txt\nurl: \ntitle: 4e6f7465\ncode: 5\nends: crlf\ncaret: 2\nbytes: " + bytes +
           "\n\n";
}

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
        test::TempDir dir;
        test::WriteFile(dir.File("x.snapshot"), file.toStdString());
        const RecoverySnapshot read = ReadSnapshot(QString::fromStdString(dir.File("x.snapshot")), true);
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
        test::TempDir dir;
        std::string file = Header(std::to_string(pid), "3") + "abc";
        if (!start.isEmpty()) file.replace(file.find("start: 7"), 8, "start: " + start.toStdString());
        else file.replace(file.find("start: 7"), 8, "start: 0");
        test::WriteFile(dir.File("x.snapshot"), file);
        QCOMPARE(OrphanedSnapshots(QString::fromStdString(dir.Path())).size(), std::size_t(offered));
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
        test::TempDir dir;
        QPlainTextEdit editor;
        DocumentSession session(editor, nullptr);
        RecoveryKeeper keeper(session, nullptr, QString::fromStdString(dir.Path()));
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
        const QString written = QString::fromStdString(ReadSnapshot(keeper.SnapshotFile(), true).text);
        QCOMPARE(written, editor.toPlainText());
    }

    void keeperWritesRemovesAndHandsOnASnapshot() {
        test::TempDir dir;
        const QString folder = QString::fromStdString(dir.Path()) + QStringLiteral("/state/recovery");
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
        const RecoverySnapshot written = ReadSnapshot(keeper.SnapshotFile(), true);
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
};

QTEST_MAIN(RecoveryTest)
#include "RecoveryTest.moc"
