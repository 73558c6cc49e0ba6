// The connection over HTTPS to the real application server, with certificates of a throwaway
// authority: a trusted certificate carries calls; a certificate for another name, an expired one, one
// from an authority the connection does not trust, or an authorities file that is not PEM fail the
// connect with a sentence that says why, and nothing is sent; a connection without TLS to the HTTPS
// port fails clearly too.

#include "framework/remote/netconnection.h"
#include "tests/support/appserverprocess.h"
#include "tests/support/throwawayca.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

using namespace std::chrono_literals;
using zrm::test::AppServerProcess;
using zrm::test::ThrowawayCa;

namespace {

enum class Presented { Valid, OtherName, Expired };

// The authority the connection trusts, one it does not know, and the certificates a server may
// present, as files.
class NetConnectionTlsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        directory = std::make_unique<QTemporaryDir>();
        const ThrowawayCa trusted("Autoridade confiável");
        const ThrowawayCa unknown("Autoridade desconhecida");
        trustedFile = write(QStringLiteral("confiavel.pem"), trusted.certificatePem());
        unknownFile = write(QStringLiteral("desconhecida.pem"), unknown.certificatePem());
        notPemFile = write(QStringLiteral("texto.pem"), "nenhum certificado aqui\n");
        save(Presented::Valid, trusted.issue("localhost"));
        save(Presented::OtherName, trusted.issue("outro.exemplo.com.br"));
        save(Presented::Expired, trusted.issue("localhost", -2 * 86400, -3600));
    }
    static void TearDownTestSuite() { directory.reset(); }

    static QString write(const QString& name, const std::string& text) {
        const QString path = directory->filePath(name);
        zrm::test::writeTextFile(path.toStdString(), text);
        return path;
    }
    static void save(Presented which, const zrm::test::IssuedCertificate& issued) {
        const QString name = QString::number(static_cast<int>(which));
        files[which] = {write(name + QStringLiteral(".pem"), issued.certificatePem),
                        write(name + QStringLiteral(".key"), issued.keyPem)};
    }

    static bool startPresenting(AppServerProcess& server, Presented which, QString* error) {
        AppServerProcess::Options options;
        options.extraServeArguments = {QStringLiteral("--tls-cert"), files[which].first,
                                       QStringLiteral("--tls-key"), files[which].second};
        return server.start(options, error);
    }

    static inline std::unique_ptr<QTemporaryDir> directory;
    static inline QString trustedFile, unknownFile, notPemFile;
    static inline std::map<Presented, std::pair<QString, QString>> files;
};

TEST_F(NetConnectionTlsTest, call_overHttps_succeedsOnlyWithATrustedCertificateForTheHost) {
    struct Case {
        const char* name;
        Presented presented;
        bool tls;
        const QString* caFile;
        const char* says;  // null: the call succeeds
    };
    const Case cases[] = {
        {"trusted certificate", Presented::Valid, true, &trustedFile, nullptr},
        {"certificate for another name", Presented::OtherName, true, &trustedFile,
         "o certificado do servidor não é do endereço localhost"},
        {"expired certificate", Presented::Expired, true, &trustedFile, "o certificado do servidor expirou"},
        {"authority not trusted", Presented::Valid, true, &unknownFile,
         "o certificado do servidor não é de uma autoridade confiável"},
        {"authorities file not PEM", Presented::Valid, true, &notPemFile, "não contém certificados PEM"},
        {"plain HTTP to the HTTPS port", Presented::Valid, false, &trustedFile, "HTTP 400"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppServerProcess server;
        QString error;
        ASSERT_TRUE(startPresenting(server, c.presented, &error)) << error.toStdString();
        TNetConnection connection;
        connection.SetServerName(QStringLiteral("ZRM71300.rdmCalendOrcOp"));
        connection.SetHost(QStringLiteral("localhost"));
        connection.SetPort(server.port());
        connection.SetThrowException(false);
        connection.SetTimeout(10s);
        connection.SetTls(c.tls);
        connection.SetCaFile(*c.caFile);
        const TRemoteResult result =
            connection.AppServer().Call(QStringLiteral("GetFaseOrc"), {QStringLiteral("T")});
        if (!c.says) {
            EXPECT_TRUE(result.ok) << result.message.toStdString();
            EXPECT_TRUE(connection.Connected());
            continue;
        }
        EXPECT_FALSE(result.ok);
        EXPECT_TRUE(result.message.contains(QString::fromUtf8(c.says))) << result.message.toStdString();
        // Refused before any request: the server's log holds no call.
        EXPECT_FALSE(server.serverLog().contains(QStringLiteral("GetFaseOrc")))
            << server.serverLog().toStdString();
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
