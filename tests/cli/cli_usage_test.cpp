// Command lines the tool refuses before it opens any link.
#include <gtest/gtest.h>

#include <ostream>
#include <sstream>

#include "base/version.h"
#include "cli/cli_main.h"

namespace karvelm {
namespace {

struct UsageCase {
  std::vector<std::string> args;
  std::string reasonPart;
};

void PrintTo(const UsageCase& c, std::ostream* os) {
  *os << '"';
  for (const std::string& arg : c.args) *os << arg << ' ';
  *os << "\" -> " << c.reasonPart;
}

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
    ::testing::Values(
        UsageCase{{}, "no command"}, UsageCase{{"frobnicate"}, "unknown command"},
        UsageCase{{"bus", "erase"}, "unknown command"},
        UsageCase{{"bus", "read", "18"}, "bad bus address"},
        UsageCase{{"bus", "read", ""}, "bad bus address"},
        UsageCase{{"bus", "read", "167603"}, "bad bus address"},
        UsageCase{{"bus", "read", "200000"}, "bad bus address"},
        UsageCase{{"bus", "read", "1000", "0"}, "1..32"},
        UsageCase{{"bus", "read", "1000", "33"}, "1..32"},
        UsageCase{{"bus", "read", "1000", "x"}, "1..32"},
        UsageCase{{"bus", "read", "177776", "2"}, "past"}, UsageCase{{"bus", "read"}, "usage"},
        UsageCase{{"bus", "write", "1000"}, "usage"},
        UsageCase{{"bus", "write", "1000", "9"}, "bad octal value"},
        UsageCase{{"bus", "write", "1000", "1777777"}, "bad octal value"},
        UsageCase{{"firmware", "update"}, "usage"},
        UsageCase{{"firmware", "update", "x.upd", "y.upd"}, "usage"},
        UsageCase{{"versions", "extra"}, "no arguments"},
        UsageCase{{"accessory", "update", "panel", "x.upm"}, "bad target"},
        UsageCase{{"accessory", "update", "ext:", "x.upm"}, "bad target"},
        UsageCase{{"versions", "--restart"}, "does not apply"},
        UsageCase{{"identify", "extra"}, "no arguments"},
        UsageCase{{"identify", "--bogus"}, "unknown option"},
        UsageCase{{"identify", "--port"}, "needs a value"},
        UsageCase{{"identify", "--port", "0"}, "--port"},
        UsageCase{{"identify", "--port", "70000"}, "--port"},
        UsageCase{{"identify", "--ip", "1.2.3"}, "--ip"},
        UsageCase{{"identify", "--link", "serial"}, "--link"},
        UsageCase{{"identify", "--wait", "-1"}, "--wait"},
        UsageCase{{"bus", "scan", "all"}, "usage"},
        UsageCase{{"test", "loopback"}, "--low or --high"},
        UsageCase{{"test", "loopback", "--pair", "1"}, "--low or --high"},
        UsageCase{{"test", "loopback", "--low", "167626"}, "--low must be"},
        UsageCase{{"test", "loopback", "--high", "167603"}, "--high must be"},
        UsageCase{{"test", "loopback", "--low", "167602", "--pair", "3"}, "--pair"},
        UsageCase{{"test", "loopback", "--low", "167602", "extra"}, "usage"},
        UsageCase{{"test", "loopback", "--low"}, "needs a value"},
        UsageCase{{"bus", "scan", "--low", "167602"}, "--low does not apply"},
        // Each command takes only its own options.
        UsageCase{{"bus", "read", "1000", "--format", "bin"}, "--format does not apply"},
        UsageCase{{"--wait", "5", "identify"}, "--wait does not apply"},
        UsageCase{{"bus", "write", "1000", "1", "--restart"}, "--restart does not apply"},
        UsageCase{{"file", "show", "x.bin", "--restart"}, "--restart does not apply"},
        UsageCase{{"file", "new", "x.bin", "--wait", "1"}, "--wait does not apply"},
        // The safety net's switches belong to the commands that overwrite.
        UsageCase{{"config", "read", "1", "x.bin", "--no-backup"}, "--no-backup does not apply"},
        UsageCase{{"firmware", "update", "x.upd", "--no-verify"}, "--no-verify does not apply"},
        UsageCase{{"backups", "extra"}, "no arguments"}));

TEST(CliHelp, ListsTheCommands) {
  std::ostringstream out, err;
  EXPECT_EQ(cli::RunCli({"--help"}, out, err), 0);
  EXPECT_NE(out.str().find("bus read ADDRESS [COUNT]"), std::string::npos);
  for (const char* entry :
       {"identify", "restart", "bus write ADDRESS VALUE", "config read 1|2 FILE",
        "config write 1|2 FILE", "firmware update IMAGE", "file new FILE", "file show FILE",
        "file page FILE PAGE IMAGE", "--local-port N", "--wait SECONDS", "--format bin|lda|auto",
        "bus scan", "test loopback [--pair P] [--low INPUT] [--high INPUT]"})
    EXPECT_NE(out.str().find(entry), std::string::npos) << entry;
}

// --version answers alone, wherever it stands, before any command would open a link.
TEST(CliVersion, AnswersBeforeAnyCommand) {
  const std::vector<std::vector<std::string>> lines = {
      {"--version"},
      {"identify", "--version"},
      {"--json", "bus", "read", "167602", "--version"},
  };
  for (std::vector<std::string> args : lines) {
    args.insert(args.begin(), {"--ip", "127.0.0.1", "--local-port", "0"});
    std::ostringstream out, err;
    EXPECT_EQ(cli::RunCli(args, out, err), 0) << args[4];
    EXPECT_EQ(out.str(), std::string("karvelm ") + kProgramVersion + "\n");
    EXPECT_EQ(err.str(), "");
  }
  std::ostringstream out, err;
  cli::RunCli({"--help"}, out, err);
  EXPECT_NE(out.str().find("--version"), std::string::npos);
}

// The options a command takes are accepted wherever they stand; link options reach the
// offline commands too, so that one wrapper can pass them to every command.
TEST(CliOptions, OwnOptionsAndLinkOptionsAreTaken) {
  std::ostringstream out, err;
  EXPECT_EQ(cli::RunCli({"--ip", "127.0.0.1", "--link", "usb2", "--port", "5", "file", "show",
                         "/nonexistent/x.bin", "--json"},
                        out, err),
            1)
      << err.str();
  EXPECT_EQ(err.str().find("does not apply"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace karvelm
