// Command lines the tool refuses before it opens any link.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_main.h"

namespace karvelm {
namespace {

struct UsageCase {
  std::vector<std::string> args;
  std::string reasonPart;
};

class CliUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(CliUsage, ExitTwoWithOneLineReason) {
  std::ostringstream out, err;
  std::vector<std::string> args = GetParam().args;
  // Never the default module address: every case fails before the link would open anyway.
  args.insert(args.begin(), {"--ip", "127.0.0.1", "--local-port", "0"});
  EXPECT_EQ(cli::RunCli(args, out, err), 2);
  EXPECT_TRUE(out.str().empty());
  const std::string reason = err.str();
  ASSERT_FALSE(reason.empty());
  EXPECT_EQ(reason.find('\n'), reason.size() - 1) << "one line: " << reason;
  EXPECT_NE(reason.find(GetParam().reasonPart), std::string::npos) << reason;
}

INSTANTIATE_TEST_SUITE_P(
    Refused, CliUsage,
    ::testing::Values(UsageCase{{}, "no command"}, UsageCase{{"frobnicate"}, "unknown command"},
                      UsageCase{{"bus", "erase"}, "unknown command"},
                      UsageCase{{"bus", "read", "18"}, "bad bus address"},
                      UsageCase{{"bus", "read", ""}, "bad bus address"},
                      UsageCase{{"bus", "read", "167603"}, "bad bus address"},
                      UsageCase{{"bus", "read", "200000"}, "bad bus address"},
                      UsageCase{{"bus", "read", "1000", "0"}, "1..32"},
                      UsageCase{{"bus", "read", "1000", "33"}, "1..32"},
                      UsageCase{{"bus", "read", "1000", "x"}, "1..32"},
                      UsageCase{{"bus", "read", "177776", "2"}, "past"},
                      UsageCase{{"bus", "read"}, "usage"},
                      UsageCase{{"bus", "write", "1000"}, "usage"},
                      UsageCase{{"bus", "write", "1000", "9"}, "bad octal value"},
                      UsageCase{{"bus", "write", "1000", "1777777"}, "bad octal value"},
                      UsageCase{{"firmware", "update", "x.upd"}, "not available yet"},
                      UsageCase{{"identify", "extra"}, "no arguments"},
                      UsageCase{{"identify", "--bogus"}, "unknown option"},
                      UsageCase{{"identify", "--port"}, "needs a value"},
                      UsageCase{{"identify", "--port", "0"}, "--port"},
                      UsageCase{{"identify", "--port", "70000"}, "--port"},
                      UsageCase{{"identify", "--ip", "1.2.3"}, "--ip"},
                      UsageCase{{"identify", "--link", "serial"}, "--link"},
                      UsageCase{{"identify", "--wait", "-1"}, "--wait"}));

TEST(CliHelp, ListsTheCommands) {
  std::ostringstream out, err;
  EXPECT_EQ(cli::RunCli({"--help"}, out, err), 0);
  EXPECT_NE(out.str().find("bus read ADDRESS [COUNT]"), std::string::npos);
}

}  // namespace
}  // namespace karvelm
