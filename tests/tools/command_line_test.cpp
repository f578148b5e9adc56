// The three programs' command lines as a shell sees them: exit status, standard output and error.
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

// `out` and `err` are patterns each whole stream must match; `environment` is a NAME=VALUE set for the run.
struct Case {
    const char* name;
    const char* program;
    std::vector<const char*> arguments;
    int status;
    const char* out;
    const char* err;
    const char* environment = nullptr;
};

void PrintTo(const Case& row, std::ostream* out) { *out << row.name; }

constexpr const char* app = WAYFARER_APP;
constexpr const char* search = WAYFARER_SEARCH;
constexpr const char* catalogue = WAYFARER_CATALOGUE;
constexpr const char* nothing = "";
constexpr const char* noCatalogue = "WAYFARER_CATALOGUE_URL=http://example.com";
// Help as GNU programs give it: usage, every option, the exit statuses and the variables read.
#define HELP(program, options, environment)                                                              \
    "Usage: " program " [^\n]*\n(.*\n)*Options:\n" options "(.*\n)*Exit status:\n  0 .*\n  1 .*\n  2 .*\n" \
    "(.*\n)*Environment:\n" environment
#define CLIENT_OPTIONS "(  .*\n)*  --catalogue URL .*\n  --ca-file PEM .*\n(  .*\n)*"
#define STANDARD_OPTIONS "(  .*\n)*  -h, --help .*\n  --version .*\n"
#define CLIENT_ENVIRONMENT "  WAYFARER_CATALOGUE_URL .*\n  LC_ALL, LC_MESSAGES, LANG .*\n"
#define VERSION(program) program " \\(Wayfarer\\) " WAYFARER_VERSION "\n"
#define TRY(program, problem) program ": " problem "\nTry '" program " --help' for more information.\n"

const Case cases[] = {
    {"AppHelp", app, {"--help"}, 0,
     HELP("wayfarer", CLIENT_OPTIONS "  --tour DIR .*\n  --appearance light\\|dark\\|system\n +show .*\n" STANDARD_OPTIONS,
          CLIENT_ENVIRONMENT "  WAYFARER_TEXT_SCALE .*\n"),
     nothing},
    {"AppShortHelpWithAWrongCatalogueInTheEnvironment", app, {"-h"}, 0, "Usage: wayfarer (.*\n)+", nothing, noCatalogue},
    {"AppVersion", app, {"--version"}, 0, VERSION("wayfarer"), nothing},
    {"AppUnknownOption", app, {"--colour"}, 2, nothing, TRY("wayfarer", "unknown option '--colour'")},
    {"AppUnexpectedArgument", app, {"rome"}, 2, nothing, TRY("wayfarer", "unexpected argument 'rome'")},
    {"AppOptionWithoutValue", app, {"--tour"}, 2, nothing, TRY("wayfarer", "--tour needs a value")},
    {"AppUnknownAppearance", app, {"--appearance", "dim"}, 2, nothing,
     TRY("wayfarer", "--appearance takes light, dark or system[^\n]*")},
    {"AppAppearanceInCapitals", app, {"--appearance", "Dark"}, 2, nothing,
     TRY("wayfarer", "--appearance takes light, dark or system[^\n]*")},
    {"AppPlainHttpElsewhere", app, {}, 2, nothing, TRY("wayfarer", "the catalogue must be an https:// [^\n]*"), noCatalogue},

    {"SearchHelp", search, {"--help"}, 0,
     HELP("wayfarer-search", CLIENT_OPTIONS "  --currency USD\\|EUR .*\n  --pages N .*\n  --covers .*\n  --json .*\n"
          "  --url .*\n" STANDARD_OPTIONS, CLIENT_ENVIRONMENT), nothing},
    {"SearchVersion", search, {"rome", "--version"}, 0, VERSION("wayfarer-search"), nothing},
    {"SearchUnknownOption", search, {"--colour", "rome"}, 2, nothing, TRY("wayfarer-search", "unknown option '--colour'")},
    {"SearchDashedTextAfterTheEnd", search, {"--catalogue", "https://127.0.0.1:9", "--url", "--", "-rome"}, 1, nothing,
     "wayfarer-search: .+\n"},
    {"SearchNoText", search, {"--json"}, 2, nothing, TRY("wayfarer-search", "no search text given")},
    {"SearchPlainHttpElsewhere", search, {"--catalogue", "http://example.com", "rome"}, 2, nothing,
     TRY("wayfarer-search", "the catalogue must be an https:// [^\n]*")},
    {"SearchMissingCertificateFile", search, {"--ca-file", "/nonexistent.pem", "rome"}, 2, nothing,
     TRY("wayfarer-search", "cannot read the certificate file /nonexistent.pem")},
    {"SearchRefusedTextFails", search, {"--catalogue", "https://127.0.0.1:9", "--url", "rome!"}, 1, nothing,
     "wayfarer-search: .+\n"},

    {"CatalogueHelp", catalogue, {"--help"}, 0,
     HELP("wayfarer-catalogue", "  --listen HOST:PORT .*\n  --plain-http .*\n(  .*\n)*" STANDARD_OPTIONS,
          "(  .*\n)*"), nothing},
    {"CatalogueVersion", catalogue, {"--version"}, 0, VERSION("wayfarer-catalogue"), nothing},
    {"CatalogueUnknownOption", catalogue, {"--colour"}, 2, nothing, TRY("wayfarer-catalogue", "unknown option '--colour'")},
    {"CatalogueUnexpectedArgument", catalogue, {"rome"}, 2, nothing, TRY("wayfarer-catalogue", "unexpected argument 'rome'")},
    {"CatalogueBadListen", catalogue, {"--listen", "8443"}, 2, nothing,
     TRY("wayfarer-catalogue", "--listen wants HOST:PORT, got 8443")},
    {"CatalogueBadPublicUrl", catalogue, {"--public-url", "ftp://front"}, 2, nothing,
     TRY("wayfarer-catalogue", "--public-url wants an http:// or https:// address, got ftp://front")},
};

class CommandLine : public testing::TestWithParam<Case> {};

TEST_P(CommandLine, ExitsWithItsStatusAndSaysSo) {
    const Case& row = GetParam();
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("WAYFARER_CATALOGUE_URL"));
    // The application needs a Qt application to tell Qt's options from its own.
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    // As a desktop session has it, so that Qt keeps its warning about it off standard error.
    const QTemporaryDir runtimeDirectory;
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDirectory.path());
    if (row.environment) {
        const QString assignment = QString::fromUtf8(row.environment);
        environment.insert(assignment.section(u'=', 0, 0), assignment.section(u'=', 1));
    }
    process.setProcessEnvironment(environment);
    QStringList arguments;
    for (const char* argument : row.arguments)
        arguments << QString::fromUtf8(argument);
    process.start(QString::fromUtf8(row.program), arguments);
    ASSERT_TRUE(process.waitForFinished(60000)) << process.errorString().toStdString();

    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), row.status);
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    const QString err = QString::fromUtf8(process.readAllStandardError());
    const auto whole = [](const char* pattern) {
        return QRegularExpression(QRegularExpression::anchoredPattern(QString::fromUtf8(pattern)));
    };
    EXPECT_TRUE(whole(row.out).match(out).hasMatch()) << "standard output:\n" << out.toStdString();
    EXPECT_TRUE(whole(row.err).match(err).hasMatch()) << "standard error:\n" << err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Programs, CommandLine, testing::ValuesIn(cases),
                         [](const testing::TestParamInfo<Case>& row) { return std::string(row.param.name); });

}
