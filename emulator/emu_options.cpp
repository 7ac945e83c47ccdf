#include "emulator/emu_options.h"

#include "emulator/family_registry.h"

namespace emulator {

namespace {

bool ReadWhole(const std::string& text, long long minimum, long long maximum, long long& out) {
  if (text.empty()) return false;
  std::size_t at = text[0] == '-' || text[0] == '+' ? 1 : 0;
  if (at == text.size()) return false;
  long long value = 0;
  for (std::size_t i = at; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
    if (value > 1000000000000LL) return false;
  }
  out = text[0] == '-' ? -value : value;
  return out >= minimum && out <= maximum;
}

// Device numbers end up inside comma-, TAB- and semicolon-separated replies.
std::string CheckIdentityText(const std::string& option, const std::string& value) {
  if (value.empty()) throw EUsageError(option + " needs a non-empty value");
  for (char c : value)
    if (c == ',' || c == ';' || c == '\t' || static_cast<unsigned char>(c) < 0x20)
      throw EUsageError(option + " must not contain commas, semicolons or control characters: \"" + value + "\"");
  return value;
}

}  // namespace

TEmuOptions ParseEmuOptions(const std::vector<std::string>& args) {
  TEmuOptions options;
  bool transportGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw EUsageError(arg + " needs a value");
      return args[++i];
    };
    long long number = 0;
    if (arg == "-h" || arg == "--help") {
      options.Help = true;
    } else if (arg == "--family") {
      options.Family = value();
      if (!FindFamily(options.Family)) {
        std::string names;
        for (const TFamilyInfo& family : Families()) names += (names.empty() ? "" : ", ") + family.Name;
        throw EUsageError("unknown family \"" + options.Family + "\"; choose one of " + names);
      }
    } else if (arg == "--pty" || arg == "--tcp") {
      if (transportGiven) throw EUsageError("choose one of --pty and --tcp");
      transportGiven = true;
      options.Transport = arg == "--pty" ? TEmuOptions::TTransport::Pty : TEmuOptions::TTransport::Tcp;
      if (arg == "--tcp") {
        const std::string& port = value();
        if (!ReadWhole(port, 0, 65535, number)) throw EUsageError("--tcp needs a port from 0 to 65535, not \"" + port + "\"");
        options.TcpPort = static_cast<int>(number);
      }
    } else if (arg == "--fp-no") {
      options.FpNo = CheckIdentityText(arg, value());
    } else if (arg == "--fp-mem") {
      options.FpMem = CheckIdentityText(arg, value());
    } else if (arg == "--model") {
      options.Model = CheckIdentityText(arg, value());
    } else if (arg == "--clock-offset") {
      const std::string& offset = value();
      if (!ReadWhole(offset, -3153600000LL, 3153600000LL, number))
        throw EUsageError("--clock-offset needs whole seconds, as in 300 or -90, not \"" + offset + "\"");
      options.ClockOffsetSeconds = number;
    } else if (arg == "--receipt-no") {
      const std::string& receipt = value();
      if (!ReadWhole(receipt, 0, 9999998, number))
        throw EUsageError("--receipt-no needs a number from 0 to 9999998, not \"" + receipt + "\"");
      options.LastReceiptNo = static_cast<long>(number);
    } else if (arg == "--fault") {
      try {
        options.Faults.Add(ParseFaultRule(value()));
      } catch (const EFaultRuleError& error) {
        throw EUsageError(error.what());
      }
    } else if (arg == "--journal") {
      options.JournalPath = value();
    } else if (arg == "--roll") {
      options.RollPath = value();
    } else {
      throw EUsageError("unknown option \"" + arg + "\"");
    }
  }
  return options;
}

std::string UsageText() {
  std::string families;
  for (const TFamilyInfo& family : Families()) {
    families += "  " + family.Name + std::string(family.Name.size() < 10 ? 10 - family.Name.size() : 1, ' ') +
                family.Summary + "\n" + std::string(12, ' ') + "default: model " + family.Defaults.Model +
                ", device " + family.Defaults.FpNo + ", fiscal memory " + family.Defaults.FpMem + "\n";
  }
  return "Usage: ruvex-emu [--family NAME] [--pty | --tcp PORT] [options]\n"
         "\n"
         "Plays one fiscal device on a pseudo-terminal or a loopback TCP port, so a point-of-sale\n"
         "program can be tried without hardware. The first line on standard output tells where:\n"
         "  PTY /dev/pts/N         open this path as the serial port (any speed)\n"
         "  TCP 127.0.0.1:PORT     connect here\n"
         "The device serves until SIGTERM or SIGINT. It keeps receipt state, numbers receipts when it\n"
         "closes them, answers a resent request again without acting twice, and prints every receipt,\n"
         "cash slip and report on its paper roll.\n"
         "\n"
         "Options:\n"
         "  --family NAME          the device family (default daisy)\n"
         "  --pty                  serve on a new pseudo-terminal (default)\n"
         "  --tcp PORT             serve on 127.0.0.1:PORT; 0 picks a free port\n"
         "  --fp-no TEXT           device number\n"
         "  --fp-mem TEXT          fiscal-memory number\n"
         "  --model TEXT           model name the device reports\n"
         "  --clock-offset SECS    the device clock runs this many seconds ahead (negative: behind)\n"
         "  --receipt-no N         number of the last receipt printed (default 0)\n"
         "  --fault RULE           inject a fault; may be repeated (see below)\n"
         "  --journal FILE         write one line per request received: sequence, command, data in hex,\n"
         "                         \"dup\" for a resent request, the faults that hit it\n"
         "  --roll FILE            write the paper roll here instead of standard output\n"
         "  -h, --help             show this text\n"
         "\n"
         "Families:\n" +
         families +
         "\n"
         "Faults: [COMMAND:]ACTION[*COUNT]. COMMAND is the request's command code (0x31 or 49); without\n"
         "it the fault hits every command. COUNT limits it to the first COUNT matching requests;\n"
         "without it the fault hits every one. Actions:\n"
         "  silence                the device acts but its reply is lost\n"
         "  drop                   the request is lost: no action, no reply\n"
         "  nak                    the device refuses the request with the refusal byte, without acting\n"
         "  echo                   the request comes back instead of a reply, without acting\n"
         "  wrong-seq              the reply carries the next sequence byte\n"
         "  bad-checksum           the reply's checksum is off by one\n"
         "  delay=MS               the reply starts MS milliseconds late\n"
         "  wait=N[/MS]            N wait bytes before the reply, MS apart (default 100)\n"
         "  wait-inside=N[/MS]     N wait bytes in the middle of the reply\n"
         "  split=MS               the reply in two writes, MS milliseconds apart\n"
         "  error=CODE             the device refuses with its own error number, without acting:\n"
         "                         Daisy 1 to 127 (status byte 3), Datecs C a code such as -111047\n"
         "  status=B.b             bit b of status byte B set in the reply (Tremol: status=XY)\n"
         "  data=TEXT              the reply carries TEXT as its data (the rest of the rule; a *COUNT\n"
         "                         at its end is read as the count)\n"
         "Examples: --fault 0x38:silence*1   --fault 0x31:nak   --fault split=30   --fault 0x30:error=19\n";
}

}  // namespace emulator
