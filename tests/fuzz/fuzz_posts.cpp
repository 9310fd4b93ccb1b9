// The posts of one topic page, whatever the page holds: posts, names, times, bodies
// through the attachment, link, image and formatting conversions.
#include "tests/fuzz/FuzzSupport.h"

#include "messages/modMessages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    qbfuzz::Env &e = qbfuzz::env();
    const QString page = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    auto run = e.newRun();
    run->CurrentLevel = 1;
    run->dataIndex.reset(1);
    run->dataIndex.at(1).topicNumber = QStringLiteral("12");
    run->dataIndex.at(1).pageNumber = QStringLiteral("345");
    DiscusProcessPostsOnPage(*run, e.messages + QStringLiteral("12/345.html"), QStringLiteral("Title"), QStringLiteral("Topic"),
                             QStringLiteral("Page"), QStringLiteral("Link"), 4, 0, 0, page);
    return 0;
}
