// The command line of zrm-appserver: options, the environment, and the checks of serve's options.

#include "server/app/commandline.h"
#include "server/app/serveoptions.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using namespace zrm::server::app;

namespace {

ParsedCommand parseServe(const std::vector<std::string>& arguments) {
    return parseCommand(serveCommandDefinition(), arguments);
}

// Sets an environment variable for the life of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : m_name(name) { ::setenv(name, value, 1); }
    ~ScopedEnvironment() { ::unsetenv(m_name); }

private:
    const char* m_name;
};

}  // namespace

TEST(CommandLine, parseCommand_readsValuesFlagsAndBothSpellings) {
    const ParsedCommand command =
        parseServe({"--db", "sqlite:a.db", "--listen=127.0.0.1:0", "--allow-insecure"});
    EXPECT_EQ(command.required("db"), "sqlite:a.db");
    EXPECT_EQ(command.value("listen"), "127.0.0.1:0");
    EXPECT_TRUE(command.flag("allow-insecure"));
    EXPECT_FALSE(command.value("today").has_value());
}

TEST(CommandLine, parseCommand_refusesMistakes) {
    EXPECT_THROW(parseServe({"--nope"}), UsageError);
    EXPECT_THROW(parseServe({"--db"}), UsageError);
    EXPECT_THROW(parseServe({"--allow-insecure=1"}), UsageError);
    EXPECT_THROW(parseServe({"--db", "x", "stray"}), UsageError);
    CommandDefinition import{"import", "", "ARQUIVO", {{"db", "URL", ""}}};
    EXPECT_THROW(parseCommand(import, {"--db", "x"}), UsageError);
    EXPECT_THROW(parseCommand(import, {"--db", "x", "a.json", "b.json"}), UsageError);
    EXPECT_EQ(parseCommand(import, {"--db", "x", "a.json"}).operands().front(), "a.json");
    EXPECT_TRUE(parseCommand(import, {"--help"}).helpRequested());
}

TEST(CommandLine, everyOption_canComeFromTheEnvironment_theCommandLineWins) {
    EXPECT_EQ(environmentName("max-body"), "ZRM_MAX_BODY");
    ScopedEnvironment db("ZRM_DB", "sqlite:env.db");
    ScopedEnvironment insecure("ZRM_ALLOW_INSECURE", "sim");
    EXPECT_EQ(parseServe({}).required("db"), "sqlite:env.db");
    EXPECT_TRUE(parseServe({}).flag("allow-insecure"));
    EXPECT_EQ(parseServe({"--db", "sqlite:arg.db"}).required("db"), "sqlite:arg.db");
    ScopedEnvironment notInsecure("ZRM_ALLOW_INSECURE", "0");
    EXPECT_FALSE(parseServe({}).flag("allow-insecure"));
}

TEST(CommandLine, help_namesEveryOptionAndItsVariable) {
    const std::string help = commandHelp(serveCommandDefinition());
    for (const auto& option : serveCommandDefinition().options) {
        EXPECT_NE(help.find("--" + option.name), std::string::npos) << option.name;
        EXPECT_NE(help.find(environmentName(option.name)), std::string::npos) << option.name;
    }
}

TEST(ServeOptions, readServeOptions_defaultsAndValues) {
    const ServeOptions defaults = readServeOptions(parseServe({"--db", "sqlite:a.db"}));
    EXPECT_EQ(defaults.http.host, "127.0.0.1");
    EXPECT_EQ(defaults.http.port, 7130);
    EXPECT_EQ(defaults.http.maxBodyBytes, 1024u * 1024u);
    EXPECT_FALSE(defaults.today.isValid());
    EXPECT_TRUE(defaults.http.loopbackOnly);

    const ServeOptions given =
        readServeOptions(parseServe({"--db", "sqlite:a.db", "--listen", "[::1]:0", "--today", "2026-03-10",
                                     "--threads", "3", "--max-body", "2048", "--allow-insecure"}));
    EXPECT_EQ(given.http.host, "::1");
    EXPECT_EQ(given.http.port, 0);
    EXPECT_EQ(given.today, QDate(2026, 3, 10));
    EXPECT_EQ(given.http.threads, 3);
    EXPECT_EQ(given.http.maxBodyBytes, 2048u);
    EXPECT_FALSE(given.http.loopbackOnly);
}

TEST(ServeOptions, readServeOptions_refusesBadValues) {
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{},
                                               {"--db", "sqlite:a", "--listen", "7130"},
                                               {"--db", "sqlite:a", "--listen", "host:70000"},
                                               {"--db", "sqlite:a", "--listen", "host:-1"},
                                               {"--db", "sqlite:a", "--today", "2026-02-30"},
                                               {"--db", "sqlite:a", "--today", "10/03/2026"},
                                               {"--db", "sqlite:a", "--threads", "0"},
                                               {"--db", "sqlite:a", "--max-body", "1k"}}) {
        EXPECT_THROW(readServeOptions(parseServe(arguments)), UsageError)
            << ::testing::PrintToString(arguments);
    }
}

TEST(ServeOptions, tokenFile_firstLineTrimmed_andATokenAllowsAnyAddress) {
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("token")).toStdString();
    std::ofstream(path) << "  abc123 \t\nsecond line ignored\n";
    const ServeOptions options =
        readServeOptions(parseServe({"--db", "sqlite:a", "--listen", "0.0.0.0:0", "--token-file", path}));
    EXPECT_TRUE(options.token.admits("Bearer abc123"));
    EXPECT_FALSE(options.token.admits("Bearer abc123 "));
    EXPECT_FALSE(options.token.admits(""));
    EXPECT_FALSE(options.http.loopbackOnly);

    std::ofstream(path) << "   \nabc\n";
    EXPECT_THROW(readServeOptions(parseServe({"--db", "sqlite:a", "--token-file", path})),
                 std::runtime_error);
    EXPECT_THROW(readServeOptions(parseServe({"--db", "sqlite:a", "--token-file", path + ".missing"})),
                 std::runtime_error);
}
