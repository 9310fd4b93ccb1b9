// The text routines and the row rendering on any text: no crash, an encoded text holds
// no row-breaking character, and every row of every table keeps its columns whatever its
// text fields hold.
#include "tests/fuzz/FuzzSupport.h"

#include "output/phpBBStoredText.h"
#include "output/TextCleaning.h"

namespace {

#define QB_FUZZ_SET_Int(member)
#define QB_FUZZ_SET_Int64(member)
#define QB_FUZZ_SET_Text(member) row.member = value;
#define QB_FUZZ_SET_Raw(member) row.member = value;
#define QB_FUZZ_SET(kind, member, column) QB_FUZZ_SET_##kind(member)

template <typename Row>
void checkRow(Row &row, const QString &value)
{
    const QString line = row.BuildString();
    qbfuzz::require(!line.contains(QLatin1String("\r\n")), "a row holds a line end");
    qbfuzz::require(qbtest::mariaDbFields(line).size() == Row::columnCount, "a row lost or gained columns");
    Q_UNUSED(value);
}

#define QB_FUZZ_ROW(Class, COLUMNS)                                                                   \
    {                                                                                                 \
        Class row;                                                                                    \
        COLUMNS(QB_FUZZ_SET)                                                                          \
        checkRow(row, value);                                                                         \
    }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    qbfuzz::env();
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));

    const QString encoded = EncodeSpecialCharacters(text);
    for (const char c : {',', '"', '\'', '`', '\n'})
        qbfuzz::require(!encoded.contains(QLatin1Char(c)), "an encoded text holds a row-breaking character");
    qbfuzz::require(EncodeSpecialCharacters(encoded) == encoded, "encoding twice changed the text");
    if (!text.contains(QLatin1Char('(')) && !text.contains(QLatin1Char('\r')))
        qbfuzz::require(DecodeSpecialCharacters(encoded, QStringLiteral("\n")) == text, "decoding lost the text");

    const QString untagged = RemoveTagInformation(text);
    StripSpecialCharacters(EncodeSpecialCharacters(untagged));
    GetLeadingDigits(text);
    ResolveAngleReferences(text);
    int start = int(size % 7), end = 0;
    GetTextBetween(text, QStringLiteral("<!--Text-->"), QStringLiteral("<!--/Text-->"), start, end);
    phpBBStoredText(EncodeSpecialCharacters(untagged));
    // The search finds what Qt's case-blind search finds: markers, and a piece of the text.
    for (const QString &needle : {QStringLiteral("<!--Post: "), QStringLiteral("-->"), QStringLiteral("sk"), text.mid(int(size % 5), 6)})
        qbfuzz::require(IndexOfText(text, needle, qsizetype(size % 3)) == text.indexOf(needle, qsizetype(size % 3), Qt::CaseInsensitive),
                        "the search differs from Qt's");

    const QString &value = text;
    QB_FUZZ_ROW(clsTblForums, QB_FORUMS_COLUMNS)
    QB_FUZZ_ROW(clsTblTopics, QB_TOPICS_COLUMNS)
    QB_FUZZ_ROW(clsTblPosts, QB_POSTS_COLUMNS)
    QB_FUZZ_ROW(clsTblUsers, QB_USERS_COLUMNS)
    QB_FUZZ_ROW(clsTblGroups, QB_GROUPS_COLUMNS)
    QB_FUZZ_ROW(clsTblAttachments, QB_ATTACHMENTS_COLUMNS)
    return 0;
}
