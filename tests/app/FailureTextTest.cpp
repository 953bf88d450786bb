// Every failure code has words in both renderers, and the window's words hold
// no English of ours: only the subject and the names of formats stay Latin.
#include "FailureJapanese.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cerrno>

using verdane::core::Failure;
using verdane::core::FailureCode;

TEST(FailureText, EveryCodeIsSaidInJapaneseWithoutEnglishWords) {
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{3,}"));
    const QStringList allowed = {QStringLiteral("DOC"), QStringLiteral("zip"), QStringLiteral("txt"),
                                 QStringLiteral("URL"), QStringLiteral("http"), QStringLiteral("https"),
                                 QStringLiteral("TLS"), QStringLiteral("KB"), QStringLiteral("EPUB"),
                                 QStringLiteral("XML"), QStringLiteral("META"), QStringLiteral("INF"),
                                 QStringLiteral("container"), QStringLiteral("xml")};
    for (int n = 0; n <= static_cast<int>(FailureCode::Internal); ++n) {
        const Failure failure{static_cast<FailureCode>(n), "/q/subject", {}, ENOSPC, 7, 9};
        QString text = verdane::JapaneseText(failure);
        EXPECT_FALSE(text.isEmpty()) << n;
        EXPECT_FALSE(verdane::core::EnglishText(failure).empty()) << n;
        text.remove(QStringLiteral("/q/subject"));
        for (auto it = word.globalMatch(text); it.hasNext();) {
            const QString found = it.next().captured();
            EXPECT_TRUE(allowed.contains(found)) << n << ": " << text.toStdString();
        }
    }
}

TEST(FailureText, TheServersAnswerAndTheSystemsReasonKeepTheirData) {
    EXPECT_EQ(verdane::JapaneseText({FailureCode::HttpStatus, "h", "Not Found", 0, 404}), QStringLiteral("404 Not Found"));
    EXPECT_EQ(verdane::JapaneseText({FailureCode::FileWrite, "/m/b.PDB", {}, ENOSPC}),
              QStringLiteral("/m/b.PDB に書き込めません: ディスクに空きがありません"));
    EXPECT_EQ(verdane::core::EnglishText({FailureCode::FileOpen, "/a: b/c.txt", {}, ENOENT}),
              "cannot open /a: b/c.txt: No such file or directory");
}
