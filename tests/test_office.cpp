#include <QTest>
class TestOffice : public QObject { Q_OBJECT private slots: void todo() {} };
QTEST_GUILESS_MAIN(TestOffice)
#include "test_office.moc"
