// The two web-server maps of the redirection pages, served by the real servers: a
// converted sample's redirect/nginx-redirects.conf under Debian's nginx and its
// redirect/.htaccess under Debian's apache2, each started on a free port of 127.0.0.1
// with a minimal configuration and stopped after. Every old page address, with and
// without the query Discus links carry, must answer 301 with the page's new address.
#include "convert/ConvertController.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString kForumAddress = QStringLiteral("http://forum.example.org");

// A port of 127.0.0.1 that was free a moment ago.
int freePort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0
        && ::getsockname(s, reinterpret_cast<sockaddr *>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

// One HTTP/1.0 request; the answer's head ("" when nothing answered).
QByteArray httpHead(int port, const QByteArray &target)
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    timeval tv{5, 0};
    ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(quint16(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QByteArray answer;
    if (::connect(s, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0) {
        const QByteArray request = "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
        if (::send(s, request.constData(), size_t(request.size()), 0) == request.size()) {
            char buf[4096];
            for (ssize_t n; (n = ::recv(s, buf, sizeof buf, 0)) > 0 && !answer.contains("\r\n\r\n");)
                answer.append(buf, int(n));
        }
    }
    ::close(s);
    return answer.left(answer.indexOf("\r\n\r\n"));
}

QString findServer(const QString &name)
{
    for (const QString &dir : {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")})
        if (QFileInfo(dir + QLatin1Char('/') + name).isExecutable())
            return dir + QLatin1Char('/') + name;
    return QStandardPaths::findExecutable(name);
}

} // namespace

class TestRedirectServers : public QObject {
    Q_OBJECT
    QTemporaryDir m_tmp;
    QString m_out;
    QList<QPair<QString, QString>> m_pages; // old path below the site root, new address

private slots:
    void initTestCase();
    void serverAnswers301_data();
    void serverAnswers301();
};

void TestRedirectServers::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    // The server's workers may run as another user: the folders must be readable.
    QFile::setPermissions(m_tmp.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                            | QFileDevice::ReadOther | QFileDevice::ExeOther | QFileDevice::ReadGroup
                                            | QFileDevice::ExeGroup);
    const QString root = qbtest::sourceDir() + QStringLiteral("/samples/discus/");
    m_out = m_tmp.filePath(QStringLiteral("output"));
    qbtest::RecorderView view;
    ConvertController ctl(view, m_tmp.filePath(QStringLiteral("qb.ini")), qbtest::sourceDir() + QLatin1Char('/'));
    ctl.DocsFolder = qbtest::sourceDir() + QStringLiteral("/Docs/");
    view.setText(QStringLiteral("txtDiscusRootFolder"), root);
    view.setText(QStringLiteral("txtDiscusMessageFolder"), root + QStringLiteral("discus/messages/"));
    view.setText(QStringLiteral("txtDiscusSecureMessageFolder"), root + QStringLiteral("discus_admin_1234567890/secure/"));
    view.setText(QStringLiteral("txtDiscusMainFolder"), root + QStringLiteral("discus_admin_1234567890/"));
    view.setText(QStringLiteral("txtphpBB3OutputFolder"), m_out + QLatin1Char('/'));
    view.setText(QStringLiteral("txtphpBB3AttachmentsFolder"), m_out + QStringLiteral("/Attachments/"));
    view.setText(QStringLiteral("txtDiscusWebsite"), QStringLiteral("http://www.kestrel-valley-birders.example"));
    view.setText(QStringLiteral("txtphpBB3ForumAddr"), kForumAddress);
    view.setText(QStringLiteral("txtDefaultAdmin"), QStringLiteral("admin"));
    view.setText(QStringLiteral("txtDefaultUsers"), QStringLiteral("57"));
    view.setText(QStringLiteral("txtDefaultGroups"), QStringLiteral("7"));
    view.setText(QStringLiteral("txtSplitMBSize"), QStringLiteral("50"));
    ctl.cmdConvert_Click();
    QCOMPARE(ctl.LastRunResult, ConvertController::RunResult::Completed);

    // The old pages are the redirection pages written; each names its new address.
    static const QRegularExpression canonical(QStringLiteral("<link rel=\"canonical\" href=\"([^\"]*)\""));
    const QString base = m_out + QStringLiteral("/redirect/");
    QDirIterator it(base, {QStringLiteral("*.html")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        m_pages.append({file.mid(base.size()), canonical.match(qbtest::readText(file)).captured(1)});
    }
    QCOMPARE(int(m_pages.size()), 16); // the sample's pages, the hidden one included
}

void TestRedirectServers::serverAnswers301_data()
{
    QTest::addColumn<QString>("server");
    QTest::newRow("nginx") << QStringLiteral("nginx");
    QTest::newRow("apache2") << QStringLiteral("apache2");
}

void TestRedirectServers::serverAnswers301()
{
    QFETCH(QString, server);
    const QString program = findServer(server);
    QVERIFY2(!program.isEmpty(), qPrintable(server + QStringLiteral(" is not installed - run scripts/setup.sh")));
    const QString dir = m_tmp.filePath(server);
    const QString www = dir + QStringLiteral("/www");
    QVERIFY(QDir().mkpath(www));
    const int port = freePort();
    QVERIFY(port > 0);
    const QString listen = QStringLiteral("127.0.0.1:%1").arg(port);
    const bool root = ::geteuid() == 0;

    QString conf;
    QStringList args;
    if (server == QLatin1String("nginx")) {
        conf = QStringLiteral("pid %1/nginx.pid;\nerror_log %1/error.log;\n%2events {}\nhttp {\n"
                              "  access_log off;\n  client_body_temp_path %1/tmp;\n  proxy_temp_path %1/tmp;\n"
                              "  fastcgi_temp_path %1/tmp;\n  uwsgi_temp_path %1/tmp;\n  scgi_temp_path %1/tmp;\n"
                              "  include %3/redirect/nginx-redirects.conf;\n"
                              "  server {\n    listen %4;\n    root %5;\n"
                              "    if ($discus_redirect) {\n        return 301 $discus_redirect; }\n  }\n}\n")
                   .arg(dir, root ? QStringLiteral("user nobody nogroup;\n") : QString(), m_out, listen, www);
        args = {QStringLiteral("-p"), dir, QStringLiteral("-c"), dir + QStringLiteral("/server.conf"), QStringLiteral("-g"),
                QStringLiteral("daemon off;")};
    } else {
        QVERIFY(QFile::copy(m_out + QStringLiteral("/redirect/.htaccess"), www + QStringLiteral("/.htaccess")));
        const QString modules = QStringLiteral("/usr/lib/apache2/modules/");
        conf = QStringLiteral("ServerRoot %1\nListen %2\nPidFile %1/httpd.pid\nErrorLog %1/error.log\n"
                              "DefaultRuntimeDir %1\nServerName 127.0.0.1\n"
                              "LoadModule mpm_event_module %3mod_mpm_event.so\n"
                              "LoadModule authz_core_module %3mod_authz_core.so\n"
                              "LoadModule rewrite_module %3mod_rewrite.so\n%4"
                              "DocumentRoot %5\n<Directory %5>\n  AllowOverride All\n  Require all granted\n</Directory>\n")
                   .arg(dir, listen, modules, root ? QStringLiteral("User nobody\nGroup nogroup\n") : QString(), www);
        args = {QStringLiteral("-f"), dir + QStringLiteral("/server.conf"), QStringLiteral("-DFOREGROUND")};
    }
    qbtest::writeBytes(dir + QStringLiteral("/server.conf"), conf.toUtf8());
    QDir().mkpath(dir + QStringLiteral("/tmp"));
    for (const QString &d : {dir, www})
        QFile::setPermissions(d, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                     | QFileDevice::ReadOther | QFileDevice::ExeOther);

    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    QVERIFY2(p.waitForStarted(10000), qPrintable(p.errorString()));
    // Up when the port answers; a server that ends at once has a broken configuration.
    bool up = false;
    for (int i = 0; i < 100 && !up && p.state() == QProcess::Running; ++i) {
        up = !httpHead(port, "/").isEmpty();
        if (!up)
            QThread::msleep(100);
    }
    const auto stop = qScopeGuard([&] {
        p.terminate();
        if (!p.waitForFinished(10000)) {
            p.kill();
            p.waitForFinished(5000);
        }
    });
    QVERIFY2(up, qPrintable(QString::fromUtf8(p.readAll()) + qbtest::readText(dir + QStringLiteral("/error.log"))));

    QStringList problems;
    for (const auto &[old, address] : std::as_const(m_pages)) {
        QVERIFY(address.startsWith(kForumAddress + QStringLiteral("/view")));
        for (const QByteArray &query : {QByteArray(), QByteArray("?1104537600")}) {
            const QByteArray target = "/" + old.toUtf8() + query;
            const QByteArray head = httpHead(port, target);
            const bool moved = head.startsWith("HTTP/1.1 301") || head.startsWith("HTTP/1.0 301");
            if (!moved || (!head.contains("\r\nLocation: " + address.toUtf8() + "\r\n") && !head.endsWith("\r\nLocation: " + address.toUtf8())))
                problems << QString::fromUtf8(target + " -> " + QByteArray(head).replace("\r\n", " | "));
        }
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    // Any other address is left alone.
    QVERIFY(!httpHead(port, "/discus/messages/3/999.html").contains(" 301 "));
}

QTEST_GUILESS_MAIN(TestRedirectServers)
#include "tst_redirectservers.moc"
