#include "app/params.h"

#include "model/errors.h"
#include "model/fp_util.h"
#include "model/text.h"
#include "platform/code_page.h"
#include "platform/files.h"

namespace app {

namespace {

bool HasPrefix(const std::string& s, const char* bytes, std::size_t n) { return s.size() >= n && s.compare(0, n, bytes, n) == 0; }

std::string Utf16BytesToUtf8(const std::string& bytes, std::size_t start, bool bigEndian) {
  std::u16string units;
  units.reserve((bytes.size() - start) / 2);
  // A dangling odd byte at the end is no character and is dropped.
  for (std::size_t i = start; i + 1 < bytes.size(); i += 2) {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    units.push_back(static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a)));
  }
  return model::Utf16ToUtf8(units);
}

// The index of the first entry with that name, or -1.
int IndexOfName(const TParamsList& list, const std::string& name) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    const auto eq = list[i].find('=');
    const std::string_view entryName = std::string_view(list[i]).substr(0, eq);
    if (model::IEquals(entryName, name)) return static_cast<int>(i);
  }
  return -1;
}

bool Present(const TParamsList& list, const std::string& name) { return IndexOfName(list, name) >= 0; }

std::string ValueOf(const TParamsList& list, const std::string& name) {
  const int i = IndexOfName(list, name);
  if (i < 0) return {};
  const std::string& entry = list[static_cast<std::size_t>(i)];
  const auto eq = entry.find('=');
  return eq == std::string::npos ? std::string() : entry.substr(eq + 1);
}

// Script lines travel inside the option joined by the two characters backslash and "n".
std::string ExpandLineBreaks(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == 'n') {
      out += "\r\n";
      ++i;
    } else {
      out += s[i];
    }
  }
  return out;
}

}  // namespace

void TWriteBonData::SetData(const std::string& parRaw, const std::string& parInputFile) {
  if (!parRaw.empty()) {
    std::vector<std::string> parts;
    model::TFpUtil::SplitString(parRaw, ":", 5, parts);
    if (parts.size() >= 4) {
      ComputerName = parts[0];
      FpNo = parts[1];
      Unp = parts[2];
      DocId = parts[3];
    }
    if (parts.size() == 5) Data = ExpandLineBreaks(parts[4]);
  }
  if (!parInputFile.empty()) {
    if (!platform::FileExists(parInputFile)) throw model::EInOutError("File not found: \"" + parInputFile + "\"");
    std::string content = platform::ReadAllBytes(parInputFile);
    if (HasPrefix(content, "\xEF\xBB\xBF", 3)) content.erase(0, 3);
    Data = std::move(content);
  }
}

void TGetUnpData::SetRaw(const std::string& parRaw) {
  std::vector<std::string> parts;
  model::TFpUtil::SplitString(parRaw, ":", 3, parts);
  PreferredFpNo = parts[0];
  if (parts.size() < 2) model::ThrowListIndex(1);
  OperatorNo = parts[1];
  FailIfNotPreferred = parts.size() == 3 && parts[2] == "1";
}

std::string TFpParamsHandlerBasic::DecodeParamsFile(const std::string& parBytes) {
  if (HasPrefix(parBytes, "\xEF\xBB\xBF", 3)) return parBytes.substr(3);
  if (HasPrefix(parBytes, "\xFF\xFE", 2)) return Utf16BytesToUtf8(parBytes, 2, false);
  if (HasPrefix(parBytes, "\xFE\xFF", 2)) return Utf16BytesToUtf8(parBytes, 2, true);
  return platform::AnsiToUtf8(parBytes);
}

std::vector<std::string> TFpParamsHandlerBasic::TokenizeParamsText(const std::string& parText) {
  std::vector<std::string> tokens;
  std::string token;
  char quote = 0;
  for (const char c : parText) {
    if (quote != 0) {
      token += c;
      if (c == quote) quote = 0;
    } else if (c == ' ' || c == '\r' || c == '\n') {
      if (!token.empty()) tokens.push_back(std::move(token));
      token.clear();
    } else {
      token += c;
      if (c == '\'' || c == '"') quote = c;
    }
  }
  if (!token.empty()) tokens.push_back(std::move(token));
  return tokens;
}

std::string TFpParamsHandlerBasic::TokenToEntry(const std::string& parToken) {
  // The first character goes whatever it is (normally "/"); a multi-byte character goes whole.
  std::size_t start = parToken.empty() ? 0 : 1;
  while (start < parToken.size() && (static_cast<unsigned char>(parToken[start]) & 0xC0) == 0x80) ++start;
  const auto colon = parToken.find(':');
  std::string name;
  if (colon == std::string::npos)
    name = parToken.substr(start);
  else if (colon > start)
    name = parToken.substr(start, colon - start);
  std::string value;
  if (colon != std::string::npos)
    for (std::size_t i = colon + 1; i < parToken.size(); ++i)
      if (parToken[i] != '"') value += parToken[i];
  return name + "=" + value;
}

void TFpParamsHandlerBasic::ParseParameters(const std::string& parExeFolder,
                                            const std::vector<std::string>& parArguments,
                                            TParamsList& parParamsList) {
  const std::string paramsFile = parExeFolder + "params.txt";
  if (platform::FileExists(paramsFile)) {
    for (const auto& token : TokenizeParamsText(DecodeParamsFile(platform::ReadAllBytes(paramsFile))))
      parParamsList.push_back(TokenToEntry(token));
    return;
  }
  for (const auto& argument : parArguments) parParamsList.push_back(TokenToEntry(argument));
}

void TFpParamsHandlerBasic::LoadParametersObject(const TParamsList& parParamsList,
                                                 TFpInputParameters& parParamsObject) {
  auto& p = parParamsObject;
  p.Start = Present(parParamsList, "start");
  p.Ui = Present(parParamsList, "ui");
  p.OutputFile = ValueOf(parParamsList, "output");
  p.WriteBon = Present(parParamsList, "writeBon");
  p.InputFile = ValueOf(parParamsList, "input");
  if (p.WriteBon) {
    p.WriteBonData = std::make_unique<TWriteBonData>();
    p.WriteBonData->SetData(ValueOf(parParamsList, "writeBon"), p.InputFile);
  }
  p.FiscalMemoryNo = ValueOf(parParamsList, "fiscalMemoryNo");
  p.CheckStatus = Present(parParamsList, "checkStatus");
  p.GetStatus = Present(parParamsList, "getStatus");
  p.ListDevices = Present(parParamsList, "listDevices");
  p.HandleBons = Present(parParamsList, "handleBons");
  const std::string unp = ValueOf(parParamsList, "getUnp");
  if (!unp.empty()) {
    p.GetUnpData = std::make_unique<TGetUnpData>();
    p.GetUnpData->SetRaw(unp);
  }
  p.GetUnp = !unp.empty();
}

}  // namespace app
