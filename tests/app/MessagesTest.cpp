// The window's messages about files and downloads in Japanese: the program's
// own words translated, the system's reason and the server's answer kept.
#include "Messages.h"

#include <QTest>

using namespace verdane;

class MessagesTest : public QObject {
    Q_OBJECT

private slots:
    void fileFailures_data() {
        QTest::addColumn<QByteArray>("reason");
        QTest::addColumn<QString>("shown");
        QTest::newRow("open") << QByteArray("cannot open /home/a/メモ.txt: Permission denied")
                              << QStringLiteral("/home/a/メモ.txt を開けません: Permission denied");
        QTest::newRow("read") << QByteArray("cannot read /tmp/x.pdb: Is a directory")
                              << QStringLiteral("/tmp/x.pdb を読み込めません: Is a directory");
        QTest::newRow("write") << QByteArray("cannot write /mnt/full/b.PDB: No space left on device")
                               << QStringLiteral("/mnt/full/b.PDB に書き込めません: No space left on device");
        QTest::newRow("a colon in the path") << QByteArray("cannot open /a: b/c.txt: No such file or directory")
                                             << QStringLiteral("/a: b/c.txt を開けません: No such file or directory");
        QTest::newRow("damaged database")
            << QByteArray("damaged DOC database: its record list is empty (no record 0)")
            << QStringLiteral("DOC ファイルが壊れています (its record list is empty (no record 0))");
        QTest::newRow("unknown stays") << QByteArray("something else") << QStringLiteral("something else");
    }
    void fileFailures() {
        QFETCH(QByteArray, reason);
        QFETCH(QString, shown);
        QCOMPARE(FileFailureText(reason.toStdString()), shown);
    }

    void installFailures_data() {
        QTest::addColumn<QByteArray>("reason");
        QTest::addColumn<QString>("shown");
        QTest::newRow("no folder") << QByteArray("cannot queue 本.PDB: cannot create the install folder /d/Palm/A/Install")
                                   << QStringLiteral("本.PDB をｲﾝｽﾄｰﾙ用ﾌｫﾙﾀﾞに置けません: ｲﾝｽﾄｰﾙ用ﾌｫﾙﾀﾞ /d/Palm/A/Install を作れません");
        QTest::newRow("write, a colon in the name")
            << QByteArray("cannot queue a: b.PRC: cannot write /q/a: b.PRC: No space left on device")
            << QStringLiteral("a: b.PRC をｲﾝｽﾄｰﾙ用ﾌｫﾙﾀﾞに置けません: /q/a: b.PRC に書き込めません: No space left on device");
        QTest::newRow("temporary folder") << QByteArray("cannot queue x.PDB: cannot create a temporary folder: Read-only file system")
                                          << QStringLiteral("x.PDB をｲﾝｽﾄｰﾙ用ﾌｫﾙﾀﾞに置けません: 一時ﾌｫﾙﾀﾞを作れません: Read-only file system");
        QTest::newRow("user") << QByteArray("no handheld user number 3") << QStringLiteral("ﾕｰｻﾞｰ番号 3 のﾊﾝﾄﾞﾍﾙﾄﾞはありません");
        QTest::newRow("too long")
            << QByteArray("the text is too long for a DOC database: 300000000 bytes, at most 268427264 fit in 65534 records")
            << QStringLiteral("文章が DOC ファイルには長すぎます: 300000000 バイト (65534 レコードに入るのは 268427264 バイトまで)");
        QTest::newRow("unknown stays") << QByteArray("something else") << QStringLiteral("something else");
    }
    void installFailures() {
        QFETCH(QByteArray, reason);
        QFETCH(QString, shown);
        QCOMPARE(InstallFailureText(reason.toStdString()), shown);
    }

    void downloadFailures_data() {
        QTest::addColumn<QByteArray>("reason");
        QTest::addColumn<QString>("shown");
        QTest::newRow("cancelled") << QByteArray("cancelled") << QStringLiteral("キャンセルしました");
        QTest::newRow("relocations") << QByteArray("too many relocations") << QStringLiteral("転送 (リダイレクト) が多すぎます");
        QTest::newRow("empty page") << QByteArray("the server sent an empty page")
                                    << QStringLiteral("サーバーから空のページが届きました");
        QTest::newRow("no address") << QByteArray("can't resolve hostname to IP address")
                                    << QStringLiteral("ホスト名から IP アドレスを得られません");
        QTest::newRow("host not found") << QByteArray("host not found: www.example.invalid")
                                        << QStringLiteral("ホストが見つかりません: www.example.invalid");
        QTest::newRow("refused") << QByteArray("connection refused") << QStringLiteral("接続を拒否されました");
        QTest::newRow("reset") << QByteArray("connection reset by the server")
                               << QStringLiteral("サーバーが接続をリセットしました");
        QTest::newRow("too large") << QByteArray("the page is larger than 256 MB")
                                   << QStringLiteral("ページが 256 MB を超えています");
        QTest::newRow("silent server") << QByteArray("timed out after 30 s")
                                       << QStringLiteral("時間切れ: 30 秒のあいだサーバーから応答がありません");
        QTest::newRow("header without end") << QByteArray("timed out after 2.5 s: the answer's header did not end")
                                            << QStringLiteral("時間切れ: 2.5 秒のうちに応答のヘッダが終わりませんでした");
        QTest::newRow("whole download") << QByteArray("timed out: the download took longer than 600 s")
                                        << QStringLiteral("時間切れ: ダウンロードが 600 秒を超えました");
        QTest::newRow("no address") << QByteArray("relocation without an address (302 Found)")
                                    << QStringLiteral("転送先のアドレスがありません (302 Found)");
        QTest::newRow("HTTP answer") << QByteArray("404 Not Found") << QStringLiteral("404 Not Found");
        QTest::newRow("HTTP status alone") << QByteArray("404") << QStringLiteral("404");
    }
    void downloadFailures() {
        QFETCH(QByteArray, reason);
        QFETCH(QString, shown);
        QCOMPARE(DownloadFailureText(reason.toStdString()), shown);
    }
};

QTEST_MAIN(MessagesTest)
#include "MessagesTest.moc"
