#include "script_shop.h"

#include <gtest/gtest.h>

#include "model/text.h"
#include "platform/code_page.h"

namespace e2e {

namespace {

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

std::vector<std::string> SettingsFor(const TEmulator& device, const std::string& fpType, TScriptShop::TLine line,
                                     const std::vector<std::string>& more) {
  std::vector<std::string> lines{"DeviceAuto=0", "FpType=" + fpType};
  if (line == TScriptShop::TLine::Tcp) {
    lines.insert(lines.end(), {"ComType=ctTcp", "Ipv4Address=127.0.0.1", "Ipv4Port=" + std::to_string(device.TcpPort())});
  } else {
    lines.insert(lines.end(), {"ComPort=" + device.Where(), "ComBaudRate=9600"});
  }
  lines.insert(lines.end(), more.begin(), more.end());
  return lines;
}

std::vector<std::string> DeviceArgs(const std::string& family, TScriptShop::TLine line,
                                    const std::vector<std::string>& more) {
  std::vector<std::string> args{"--family", family};
  if (line == TScriptShop::TLine::Tcp) {
    args.insert(args.end(), {"--tcp", "0"});
  } else {
    args.push_back("--pty");
  }
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

}  // namespace

// Cyrillic stays readable; the separators that matter (LF, TAB) show as escapes.
void PrintTo(const TSent& sent, std::ostream* out) {
  *out << "{" << sent.Command << " \"";
  for (char c : sent.Data) {
    if (c == '\n') {
      *out << "\\n";
    } else if (c == '\t') {
      *out << "\\t";
    } else if (static_cast<unsigned char>(c) < 0x20) {
      *out << "\\x" << "0123456789ABCDEF"[c >> 4] << "0123456789ABCDEF"[c & 0xF];
    } else {
      *out << c;
    }
  }
  *out << "\"" << sent.Marks << "}";
}

// Journal lines read "seq=22 cmd=31 data=48656C6C6F" and may carry markers after the data.
std::vector<TSent> Received(const TEmulator& device) {
  std::vector<TSent> out;
  for (const std::string& line : device.JournalLines()) {
    const std::size_t cmd = line.find(" cmd=");
    const std::size_t data = line.find(" data=");
    if (line.rfind("seq=", 0) != 0 || cmd == std::string::npos || data == std::string::npos) {
      out.push_back(TSent{"?", line, ""});
      continue;
    }
    const std::size_t hexStart = data + 6;
    const std::size_t hexEnd = line.find(' ', hexStart);
    TSent sent;
    sent.Command = line.substr(cmd + 5, data - cmd - 5);
    sent.Data = platform::AnsiToUtf8(FromHex(line.substr(hexStart, hexEnd - hexStart)));
    if (hexEnd != std::string::npos) sent.Marks = line.substr(hexEnd);
    out.push_back(sent);
  }
  return out;
}

TScriptShop::TScriptShop(const std::string& family, const std::string& fpType, TLine line,
                         const std::vector<std::string>& emulatorArgs, const std::vector<std::string>& settings)
    : Device(Home.Folder(), family, DeviceArgs(family, line, emulatorArgs)), mLine(line) {
  Home.WriteSettings(SettingsFor(Device, fpType, line, settings));
}

TRun TScriptShop::RunFile(const std::string& script, const std::vector<std::string>& moreArgs) {
  Home.Write("bon.txt", script);
  std::vector<std::string> args{"/writeBon", "/input:" + Home.PathOf("bon.txt")};
  args.insert(args.end(), moreArgs.begin(), moreArgs.end());
  return Run(args);
}

TRun TScriptShop::Run(const std::vector<std::string>& args) {
  TRun run = Home.Run(args, mLine == TLine::Pty ? std::vector<std::string>{Device.Where()} : std::vector<std::string>{});
  EXPECT_EQ(run.ExitCode, 0);
  EXPECT_EQ(run.Stdout, "");
  return run;
}

std::string LineValue(const std::string& text, const std::string& label) {
  std::size_t at = text.rfind(label, 0) == 0 ? 0 : text.find("\r\n" + label);
  if (at == std::string::npos) return "";
  if (at != 0) at += 2;
  at += label.size();
  return text.substr(at, text.find("\r\n", at) - at);
}

std::string WithoutClock(const std::string& text) {
  const std::string label = "FpDateTime: ";
  std::string out;
  std::size_t from = 0;
  for (std::size_t at = text.find(label); at != std::string::npos; at = text.find(label, from)) {
    out += text.substr(from, at - from) + label + "*";
    from = text.find("\r\n", at);
    if (from == std::string::npos) return out;
  }
  return out + text.substr(from);
}

std::string OutputText(const TRuvexHome& home, const std::string& name) {
  const std::string bytes = home.Read(name);
  if (bytes.size() < 2 || bytes.compare(0, 2, "\xFF\xFE") != 0 || bytes.size() % 2 != 0) {
    ADD_FAILURE() << name << " is not UTF-16LE with a byte-order mark (" << bytes.size() << " bytes)";
    return "";
  }
  std::u16string units;
  for (std::size_t i = 2; i < bytes.size(); i += 2)
    units += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
  return model::Utf16ToUtf8(units);
}

}  // namespace e2e
