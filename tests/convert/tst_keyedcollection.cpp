#include "run/KeyedCollection.h"
#include <QtTest>
class TestKeyedCollection : public QObject {
    Q_OBJECT
private slots:
    void keysIgnoreCaseAndKeepOrder();
};
void TestKeyedCollection::keysIgnoreCaseAndKeepOrder()
{
    KeyedCollection<int> c;
    QVERIFY(c.tryAdd("Jane", 1));
    QVERIFY(!c.tryAdd("JANE", 2));
    QVERIFY(c.tryAdd("bob", 3));
    QCOMPARE(*c.find("jAnE"), 1);
}
QTEST_GUILESS_MAIN(TestKeyedCollection)
#include "tst_keyedcollection.moc"
