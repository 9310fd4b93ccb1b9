// qb-guide: prints the user guide's Markdown as an A4 PDF, with a title page, a table of
// contents and page numbers, without any typesetting system.
//   qb-guide --output FILE.pdf --images FOLDER [--title T] [--subtitle S] [--version V] PAGE.md...
// The Markdown files are joined in the order given. Images are named relative to the images
// folder; they are printed at half their pixel size (the screenshot tool draws at twice the
// size), never wider than the text. Every top-level heading starts a new page; the contents
// list the top two heading levels with their page numbers.
#include <QCommandLineParser>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextStream>
#include <QTextTable>

#include <cmath>
#include <cstdio>

namespace {

const QString BodyFont = QStringLiteral("DejaVu Sans");
constexpr int Resolution = 300; // device pixels per inch of the PDF

// A font of the guide. A hair of letter spacing keeps Qt from joining letters into
// ligatures: "fi" stays two letters, so the PDF's text can be searched and copied.
QFont guideFont(qreal points, int weight = QFont::Normal)
{
    QFont f(BodyFont);
    f.setPointSizeF(points);
    f.setWeight(QFont::Weight(weight));
    f.setLetterSpacing(QFont::AbsoluteSpacing, 0.05);
    return f;
}

struct Heading {
    int level;
    QString text;
    int page; // 0-based page of the body
};

QTextStream &err()
{
    static QTextStream s(stderr);
    return s;
}

// The page a block's line lies on.
int pageOfLine(QTextDocument &doc, const QTextBlock &block, bool last)
{
    const QRectF r = doc.documentLayout()->blockBoundingRect(block);
    qreal y = r.top();
    const QTextLayout *layout = block.layout();
    if (layout && layout->lineCount() > 0) {
        const QTextLine line = layout->lineAt(last ? layout->lineCount() - 1 : 0);
        y += line.y() + (last ? line.height() - 1 : 1);
    }
    return int(std::floor(y / doc.pageSize().height()));
}

// A heading at the foot of a page whose text starts on the next page moves there too.
void keepHeadingsWithNext(QTextDocument &doc)
{
    for (int round = 0; round < 20; ++round) {
        bool moved = false;
        for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
            const QTextBlock next = block.next();
            if (block.blockFormat().headingLevel() == 0 || !next.isValid()
                || block.blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
                continue;
            if (pageOfLine(doc, block, true) != pageOfLine(doc, next, false)) {
                QTextBlockFormat bf = block.blockFormat();
                bf.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
                QTextCursor(block).setBlockFormat(bf);
                moved = true;
                break; // the pages after it have moved: look again from the start
            }
        }
        if (!moved)
            return;
    }
}

// The body: Markdown with images, paged on the writer.
bool buildBody(QTextDocument &doc, const QString &markdown, const QString &imageDir, QPaintDevice *device, const QSizeF &page)
{
    doc.documentLayout()->setPaintDevice(device);
    doc.setDefaultFont(guideFont(10));
    doc.setDocumentMargin(0);
    doc.setPageSize(page);
    doc.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);

    // Device pixels per 96-dpi pixel: image sizes in a document are given in the latter.
    const qreal scale = qreal(device->logicalDpiX()) / 96.0;
    const qreal maxWidth = page.width() / scale;
    bool ok = true;
    bool first = true;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        QTextCursor cursor(block);
        QTextBlockFormat bf = block.blockFormat();
        const int level = bf.headingLevel();
        if (level == 1) {
            if (!first)
                bf.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
            bf.setBottomMargin(12);
            first = false;
            cursor.setBlockFormat(bf);
        } else if (level >= 2) {
            bf.setTopMargin(level == 2 ? 16 : 10);
            bf.setBottomMargin(6);
            cursor.setBlockFormat(bf);
        } else if (bf.hasProperty(QTextFormat::BlockCodeFence)) {
            // A long command wraps instead of running off the page.
            bf.setNonBreakableLines(false);
            bf.setBackground(QColor(0xf0, 0xf0, 0xf0));
            bf.setLeftMargin(8);
            cursor.setBlockFormat(bf);
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || !fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat image = fragment.charFormat().toImageFormat();
            const QString name = image.name();
            const QImage picture(QDir(imageDir).filePath(name));
            if (picture.isNull()) {
                err() << "qb-guide: cannot read image " << QDir(imageDir).filePath(name) << "\n";
                ok = false;
                continue;
            }
            doc.addResource(QTextDocument::ImageResource, QUrl(name), picture);
            qreal w = picture.width() / 2.0;
            qreal h = picture.height() / 2.0;
            if (w > maxWidth) {
                h *= maxWidth / w;
                w = maxWidth;
            }
            // A picture taller than two thirds of a page would leave half-empty pages.
            const qreal maxHeight = page.height() / scale * 0.66;
            if (h > maxHeight) {
                w *= maxHeight / h;
                h = maxHeight;
            }
            image.setWidth(w);
            image.setHeight(h);
            QTextCursor c(&doc);
            c.setPosition(fragment.position());
            c.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            c.setCharFormat(image);
            QTextBlockFormat centred = block.blockFormat();
            centred.setAlignment(Qt::AlignHCenter);
            centred.setTopMargin(6);
            centred.setBottomMargin(6);
            c.setBlockFormat(centred);
        }
    }
    // Tables: thin ruled cells across the text width, the first row as a shaded header
    // that is repeated when a table runs onto the next page.
    for (QTextFrame *frame : doc.rootFrame()->childFrames()) {
        auto *table = qobject_cast<QTextTable *>(frame);
        if (!table)
            continue;
        QTextTableFormat tf = table->format();
        tf.setBorder(1);
        tf.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        tf.setBorderBrush(QColor(0x99, 0x99, 0x99));
        tf.setBorderCollapse(true);
        tf.setCellSpacing(0);
        tf.setCellPadding(4);
        tf.setWidth(QTextLength(QTextLength::PercentageLength, 100));
        tf.setHeaderRowCount(1);
        tf.setTopMargin(4);
        tf.setBottomMargin(8);
        table->setFormat(tf);
        for (int col = 0; col < table->columns(); ++col) {
            QTextTableCell cell = table->cellAt(0, col);
            QTextCharFormat cf = cell.format();
            cf.setBackground(QColor(0xe4, 0xea, 0xf0));
            cell.setFormat(cf);
        }
    }
    keepHeadingsWithNext(doc);
    return ok;
}

QList<Heading> headings(QTextDocument &doc)
{
    QList<Heading> list;
    const qreal pageHeight = doc.pageSize().height();
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level < 1 || level > 2)
            continue;
        const QRectF r = doc.documentLayout()->blockBoundingRect(block);
        // A heading pushed to the next page lies on the page of its first line.
        const QTextLayout *layout = block.layout();
        qreal top = r.top();
        if (layout && layout->lineCount() > 0)
            top += layout->lineAt(0).y();
        list.append({level, block.text(), int(std::floor((top + 1) / pageHeight))});
    }
    return list;
}

// The contents: one line per heading with its printed page number.
void buildContents(QTextDocument &toc, const QList<Heading> &list, int firstBodyPage, QPaintDevice *device, const QSizeF &page)
{
    toc.clear();
    toc.documentLayout()->setPaintDevice(device);
    toc.setDefaultFont(guideFont(10));
    toc.setDocumentMargin(0);
    toc.setPageSize(page);
    QTextCursor c(&toc);
    QTextBlockFormat titleFormat;
    titleFormat.setHeadingLevel(1);
    titleFormat.setBottomMargin(14);
    QTextCharFormat titleChars;
    titleChars.setFont(guideFont(20, QFont::Bold));
    c.setBlockFormat(titleFormat);
    c.insertText(QStringLiteral("Contents"), titleChars);

    QTextTableFormat tf;
    tf.setBorder(0);
    tf.setCellPadding(2);
    tf.setCellSpacing(0);
    tf.setWidth(QTextLength(QTextLength::PercentageLength, 100));
    tf.setColumnWidthConstraints({QTextLength(QTextLength::PercentageLength, 90), QTextLength(QTextLength::PercentageLength, 10)});
    c.movePosition(QTextCursor::End);
    QTextTable *table = c.insertTable(list.size(), 2, tf);
    for (int i = 0; i < list.size(); ++i) {
        const Heading &h = list.at(i);
        QTextCharFormat chars;
        chars.setFont(guideFont(h.level == 1 ? 11 : 10, h.level == 1 ? QFont::Bold : QFont::Normal));
        QTextBlockFormat left;
        left.setLeftMargin(h.level == 1 ? 0 : 18);
        left.setTopMargin(h.level == 1 ? 8 : 0);
        QTextCursor cell = table->cellAt(i, 0).firstCursorPosition();
        cell.setBlockFormat(left);
        cell.insertText(h.text, chars);
        QTextBlockFormat right;
        right.setAlignment(Qt::AlignRight);
        right.setTopMargin(h.level == 1 ? 8 : 0);
        cell = table->cellAt(i, 1).firstCursorPosition();
        cell.setBlockFormat(right);
        cell.insertText(QString::number(firstBodyPage + h.page), chars);
    }
}

void drawFooter(QPainter &p, const QRectF &area, const QString &title, int page, int pages)
{
    p.save();
    p.setPen(QPen(QColor(0x88, 0x88, 0x88), 2));
    p.drawLine(QPointF(area.left(), area.top()), QPointF(area.right(), area.top()));
    p.setPen(QColor(0x44, 0x44, 0x44));
    p.setFont(guideFont(8));
    const QRectF text = area.adjusted(0, area.height() * 0.25, 0, 0);
    p.drawText(text, Qt::AlignLeft | Qt::AlignTop, title);
    p.drawText(text, Qt::AlignRight | Qt::AlignTop, QStringLiteral("Page %1 of %2").arg(page).arg(pages));
    p.restore();
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Prints the user guide's Markdown pages as a PDF."));
    parser.addHelpOption();
    const QCommandLineOption outputOption(QStringLiteral("output"), QStringLiteral("The PDF to write."), QStringLiteral("file"));
    const QCommandLineOption imagesOption(QStringLiteral("images"), QStringLiteral("Folder of the images."), QStringLiteral("folder"));
    const QCommandLineOption titleOption(QStringLiteral("title"), QStringLiteral("Title of the guide."), QStringLiteral("text"),
                                         QStringLiteral("Discusware 4 to phpBB3 Conversion"));
    const QCommandLineOption subtitleOption(QStringLiteral("subtitle"), QStringLiteral("Subtitle."), QStringLiteral("text"));
    const QCommandLineOption versionOption(QStringLiteral("version"), QStringLiteral("Program version shown."), QStringLiteral("text"));
    parser.addOptions({outputOption, imagesOption, titleOption, subtitleOption, versionOption});
    parser.process(app);
    const QString output = parser.value(outputOption);
    const QStringList pages = parser.positionalArguments();
    if (output.isEmpty() || pages.isEmpty()) {
        err() << "usage: qb-guide --output FILE.pdf --images FOLDER PAGE.md...\n";
        return 2;
    }

    QString markdown;
    for (const QString &path : pages) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            err() << "qb-guide: cannot read " << path << "\n";
            return 1;
        }
        markdown += QString::fromUtf8(file.readAll()) + QStringLiteral("\n\n");
    }

    QDir().mkpath(QFileInfo(output).absolutePath());
    const QString partial = output + QStringLiteral(".part");
    QFile::remove(partial);
    const QString title = parser.value(titleOption);
    bool ok = true;
    int totalPages = 0;
    {
        QPdfWriter writer(partial);
        writer.setResolution(Resolution);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Quillbridge qb-guide"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 18, 20, 14),
                                         QPageLayout::Millimeter));
        const QRectF paint = writer.pageLayout().paintRectPixels(Resolution);
        const qreal footerHeight = Resolution * 0.35; // about 9 mm below the text
        const QSizeF bodySize(paint.width(), paint.height() - footerHeight);
        const QRectF footer(0, bodySize.height() + footerHeight * 0.3, paint.width(), footerHeight * 0.7);

        QTextDocument body;
        ok = buildBody(body, markdown, parser.value(imagesOption), &writer, bodySize);
        const int bodyPages = body.pageCount();
        const QList<Heading> list = headings(body);

        // The contents come before the body: their length decides where the body starts.
        QTextDocument toc;
        buildContents(toc, list, 2, &writer, bodySize);
        const int tocPages = toc.pageCount();
        buildContents(toc, list, 2 + tocPages, &writer, bodySize);
        totalPages = 1 + tocPages + bodyPages;

        QPainter p;
        if (!p.begin(&writer)) {
            err() << "qb-guide: cannot write " << output << "\n";
            return 1;
        }
        // Title page.
        {
            p.save();
            p.setPen(QColor(0x1a, 0x3a, 0x5c));
            p.setFont(guideFont(28, QFont::Bold));
            const QRectF titleArea(0, bodySize.height() * 0.25, bodySize.width(), bodySize.height() * 0.2);
            p.drawText(titleArea, Qt::AlignHCenter | Qt::AlignBottom | Qt::TextWordWrap, title);
            p.setPen(QPen(QColor(0x1a, 0x3a, 0x5c), 6));
            const qreal lineY = titleArea.bottom() + Resolution * 0.2;
            p.drawLine(QPointF(bodySize.width() * 0.15, lineY), QPointF(bodySize.width() * 0.85, lineY));
            p.setPen(QColor(0x33, 0x33, 0x33));
            p.setFont(guideFont(14));
            const QRectF sub(bodySize.width() * 0.1, lineY + Resolution * 0.2, bodySize.width() * 0.8, Resolution * 1.5);
            p.drawText(sub, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, parser.value(subtitleOption));
            p.setFont(guideFont(11));
            QString foot = QStringLiteral("User guide of Quillbridge");
            if (parser.isSet(versionOption))
                foot += QStringLiteral(", version ") + parser.value(versionOption);
            p.drawText(QRectF(0, bodySize.height() * 0.8, bodySize.width(), Resolution), Qt::AlignHCenter | Qt::AlignTop, foot);
            p.restore();
            drawFooter(p, footer, title, 1, totalPages);
        }
        int printed = 1;
        const auto printDocument = [&](QTextDocument &doc, int count) {
            for (int i = 0; i < count; ++i) {
                writer.newPage();
                ++printed;
                p.save();
                const QRectF view(0, i * bodySize.height(), bodySize.width(), bodySize.height());
                p.translate(0, -view.top());
                p.setClipRect(view);
                // Only the lines of this page: a line moved to the next page may start a
                // hair above the page's end, and a line drawn outside the clip would still
                // be in the PDF's text.
                QAbstractTextDocumentLayout::PaintContext ctx;
                const qreal edge = Resolution / 25.0;
                ctx.clip = view.adjusted(0, edge, 0, -edge);
                doc.documentLayout()->draw(&p, ctx);
                p.restore();
                drawFooter(p, footer, title, printed, totalPages);
            }
        };
        printDocument(toc, tocPages);
        printDocument(body, bodyPages);
        p.end();
    }
    if (!ok) {
        QFile::remove(partial);
        return 1;
    }
    QFile::remove(output);
    if (!QFile::rename(partial, output)) {
        err() << "qb-guide: cannot write " << output << "\n";
        return 1;
    }
    QTextStream(stdout) << "qb-guide: " << output << " (" << totalPages << " pages)\n";
    return 0;
}
