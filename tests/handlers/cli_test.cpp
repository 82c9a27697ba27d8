// orvcli's option parsing and its machine-readable output lines.
#include "cli/cli_options.h"
#include "cli/event_line.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(CliOutput, ValuesAreQuotedOnlyWhenAParserNeedsIt) {
    EXPECT_EQ(QuoteValue("8001"), "8001");
    EXPECT_EQ(QuoteValue(""), "\"\"");
    EXPECT_EQ(QuoteValue("a b"), "\"a b\"");
    EXPECT_EQ(QuoteValue("k=v"), "\"k=v\"");
    EXPECT_EQ(QuoteValue("say \"hi\"\\\n"), "\"say \\\"hi\\\"\\\\\\n\"");
    EXPECT_EQ(QuoteValue(std::string("a\x01", 2)), "\"a\\x01\"");
    CoreEvent e{"logon_failed", {{"reason", "-3"}}, "Logon Failed", "Invalid password"};
    EXPECT_EQ(FormatEventLine(e), "EVENT logon_failed reason=-3 text=\"Invalid password\"");
    EXPECT_EQ(FormatTextLine(e), "TEXT Logon Failed: Invalid password");
    CoreEvent plain{"logged_out", {}, "", ""};
    EXPECT_EQ(FormatEventLine(plain), "EVENT logged_out");
    EXPECT_EQ(FormatTextLine(plain), "");
}

TEST(CliOptions, ParsesEveryOptionAndRefusesBadOnes) {
    const char* argv[] = {"orvcli", "--server", "127.0.0.1:5000", "--number", "8001", "--password", "p w",
                          "--log", "3", "--script", "s.txt"};
    CliOptions o;
    std::string error;
    ASSERT_TRUE(ParseCliOptions(11, argv, &o, &error)) << error;
    EXPECT_EQ(o.serverHost, "127.0.0.1");
    EXPECT_EQ(o.serverPort, 5000);
    EXPECT_EQ(o.password, "p w");
    EXPECT_TRUE(o.log);
    EXPECT_EQ(o.logLevel, "3");
    EXPECT_EQ(o.scriptFile, "s.txt");

    const char* logOnly[] = {"orvcli", "--log", "--number", "1"};
    CliOptions l;
    ASSERT_TRUE(ParseCliOptions(4, logOnly, &l, &error));
    EXPECT_TRUE(l.log);
    EXPECT_EQ(l.logLevel, "");
    EXPECT_EQ(l.number, "1");

    for (const char* bad : {"host", "host:", ":5000", "host:0", "host:65536", "host:12a", "host:123456"}) {
        const char* args[] = {"orvcli", "--server", bad};
        CliOptions b;
        EXPECT_FALSE(ParseCliOptions(3, args, &b, &error)) << bad;
    }
    const char* missing[] = {"orvcli", "--number"};
    EXPECT_FALSE(ParseCliOptions(2, missing, &o, &error));
    const char* unknown[] = {"orvcli", "--bogus"};
    EXPECT_FALSE(ParseCliOptions(2, unknown, &o, &error));
}

} // namespace
} // namespace orv
