// Announcements: the block between a page's announcement markers as forum description text.
#include "messages/modAnnouncements.h"

#include "messages/modAttachments.h"
#include "messages/modFormatting.h"
#include "messages/modLinks.h"
#include "output/TextCleaning.h"
#include "run/ConversionRun.h"

namespace {

// Switches attachments off while an announcement's links are converted: a file linked
// there has no post to belong to, so no attachments row and no copy are made for it.
class AttachmentsOff {
public:
    explicit AttachmentsOff(ConversionRun &run) : m_flag(run.settings.CreateAttachments), m_saved(m_flag) { m_flag = false; }
    ~AttachmentsOff() { m_flag = m_saved; }
    AttachmentsOff(const AttachmentsOff &) = delete;
    AttachmentsOff &operator=(const AttachmentsOff &) = delete;

private:
    bool &m_flag;
    bool m_saved;
};

} // namespace

QString phpBB3WriteAnnouncementMsg(ConversionRun &run, const QString &text)
{
    QString result;
    run.Trap(QStringLiteral("phpBB3WriteAnnouncementMsg()"), [&] {
        QString converted;
        {
            AttachmentsOff off(run);
            converted = DiscusProcessLinks(run, text, run.PageCounter, 0);
        }
        converted = ProcessImages(run, converted);
        // Bold, italics and the rest become BBCode as in a post: the description is
        // stored in phpBB's stored form, which shows them.
        converted = DiscusProcessFormatting(run, converted);
        result = EncodeSpecialCharacters(ResolveAngleReferences(RemoveTagInformation(converted)));
    });
    return result;
}
