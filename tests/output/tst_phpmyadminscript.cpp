// The rows of an import file read as LOAD DATA reads them, rendered as SQL values that no
// sql_mode reads differently, and cut into files without splitting a statement.
#include "output/phpMyAdminScript.h"

#include <QTemporaryDir>
#include <QtTest>

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
