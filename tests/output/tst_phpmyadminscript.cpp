// The rows of an import file read as LOAD DATA reads them, rendered as SQL values that no
// sql_mode reads differently, and cut into files without splitting a statement.
#include "output/phpMyAdminScript.h"

#include <QTemporaryDir>
#include <algorithm>
#include <QtTest>

// Hands out its bytes a few at a time, as a file read in pieces ends anywhere in a row.
class TrickleDevice : public QIODevice {
public:
    explicit TrickleDevice(QByteArray data) : m_data(std::move(data)) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *to, qint64 max) override
    {
        const qint64 n = std::min<qint64>({max, 3, m_data.size() - m_at});
        memcpy(to, m_data.constData() + m_at, size_t(n));
        m_at += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_data;
    qint64 m_at = 0;
};

// The SQL files written for data given whole or in pieces.
QByteArray scriptFor(const QByteArray &data, bool inPieces)
{
    QTemporaryDir dir;
    phpMyAdminScript s(dir.path() + QLatin1Char('/'), 0, QStringLiteral("-- guard\r\n"));
    const QStringList columns{QStringLiteral("id"), QStringLiteral("a"), QStringLiteral("b")};
    if (inPieces) {
        TrickleDevice in(data);
        s.addImportFile(in, QStringLiteral("t"), columns, false);
    } else {
        s.addImportFile(data, QStringLiteral("t"), columns, false);
    }
    s.finish(QString());
    QFile f(s.fileNames().value(0));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class TestPhpMyAdminScript : public QObject {
    Q_OBJECT
private slots:
    void fieldsAndValues_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("values"); // the row's values joined by " | "
        QTest::newRow("numbers and texts") << QByteArray("12,-3,\"a'b\",\"\"") << QByteArray("12 | -3 | 'a''b' | ''");
        QTest::newRow("leading zero and -0 stay texts") << QByteArray("007,-0,0") << QByteArray("'007' | '-0' | 0");
        QTest::newRow("doubled and stray quotes") << QByteArray("\"x\"\"y\",\"p\"q\"") << QByteArray("'x\"y' | 'p\"q'");
        QTest::newRow("comma and line break inside quotes") << QByteArray("\"a,b\r\nc\",1")
                                                            << QByteArray("_utf8mb4 X'612c620d0a63' | 1");
        QTest::newRow("backslash as hex") << QByteArray("\"C:\\x\"") << QByteArray("_utf8mb4 X'433a5c78'");
        QTest::newRow("empty unenclosed and NULL") << QByteArray(",NULL,\"NULL\"") << QByteArray("'' | NULL | 'NULL'");
    }
    void fieldsAndValues()
    {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, values);
        const QVector<ImportRow> rows = ParseImportRows(line + "\r\n" + line + "\r\n");
        QCOMPARE(rows.size(), 2);
        QByteArrayList got;
        for (const ImportField &f : rows.at(1))
            got << ImportFieldSql(f);
        QCOMPARE(got.join(" | "), values);
    }

    // Rows of different shapes one after another: nothing of a row is left in the next.
    void rowsDoNotCarryOver()
    {
        const QVector<ImportRow> rows = ParseImportRows("\"a\",\"b\",\"c\"\r\n1\r\n,2\r\n");
        QCOMPARE(rows.size(), 3);
        QList<QByteArrayList> got;
        for (const ImportRow &row : rows) {
            got.append(QByteArrayList());
            for (const ImportField &f : row)
                got.last() << ImportFieldSql(f);
        }
        QCOMPARE(got, (QList<QByteArrayList>{{"'a'", "'b'", "'c'"}, {"1"}, {"''", "2"}}));
    }

    // A row is the same whatever piece of the file it ends in: quotes, commas and line
    // breaks inside fields, an empty last field, a last row without its line end.
    void rowsAcrossPieces()
    {
        const QByteArray data = "1,\"a\"\"b\",\"x\r\ny\"\r\n"
                                "2,\"p\"q\",\r\n"
                                "3,\"\",\"\"\"\"\r\n"
                                "4,plain,\"end\"";
        const QByteArray whole = scriptFor(data, false);
        QVERIFY(whole.contains("(4,'plain','end')"));
        QVERIFY(whole.contains("(2,'p\"q','')"));
        QCOMPARE(scriptFor(data, true), whole);
    }

    void filesKeepStatementsWhole()
    {
        QTemporaryDir dir;
        QByteArray data;
        for (int i = 1; i <= 400; ++i)
            data += QByteArray::number(i) + ",\"" + QByteArray(100, 'x') + "\"\r\n";
        phpMyAdminScript s(dir.path() + QLatin1Char('/'), 20000, QStringLiteral("-- guard\r\n"));
        s.addImportFile(data, QStringLiteral("t"), {QStringLiteral("id"), QStringLiteral("v")}, false);
        s.finish(QStringLiteral("-- finishing\r\n"));
        QVERIFY(s.fileNames().size() >= 3);
        int rows = 0;
        for (int i = 0; i < s.fileNames().size(); ++i) {
            QVERIFY(s.fileSizes().at(i) <= 20000);
            QFile f(s.fileNames().at(i));
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray text = f.readAll();
            // Every statement begun in a file ends there: its last row closes it. (The order
            // check at the top of a part ends in ");" too, so count only rows that end one.)
            QCOMPARE(text.count("INSERT INTO t (id, v) VALUES"), text.count(QByteArray(100, 'x') + "');\r\n\r\n"));
            rows += text.count(QByteArray(100, 'x'));
            QCOMPARE(text.startsWith("-- guard"), i == 0);
            QCOMPARE(text.contains("-- finishing"), i == s.fileNames().size() - 1);
        }
        QCOMPARE(rows, 400);
    }
};

QTEST_GUILESS_MAIN(TestPhpMyAdminScript)
#include "tst_phpmyadminscript.moc"
