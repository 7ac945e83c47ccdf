// The bytes of params.txt: decoded by their byte-order mark, cut into tokens, turned into
// name=value entries and loaded into the run's parameter record.
//
// What must hold for any file: no token is empty or splits at a blank, CR or LF outside a quoted
// stretch; every entry has a "=" and no double quote in its value; loading either succeeds with
// each payload present exactly when its option asks for it, or fails with an error that has a
// message (the run turns it into its result); and every text loaded survives the conversion to
// the ANSI code page that Return.txt and the frames use.
//
// An input file named in the options is looked up in a scratch folder holding one script file, so
// the fuzzer reads nothing else from the disk.
#include <algorithm>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "app/params.h"
#include "fuzz_support.h"
#include "model/text.h"
#include "platform/code_page.h"
#include "platform/files.h"

namespace {

using app::TFpParamsHandlerBasic;

// The scratch folder with one script file; an input file name is looked up there.
const std::string& Scratch() {
  static const std::string folder = [] {
    const std::string path = fuzz::ScratchFolder("params");
    platform::WriteAllBytes(path + "bon.txt", "\xEF\xBB\xBF" "FiscalBonStart;;;\r\nFiscalBonEnd\r\n");
    return path;
  }();
  return folder;
}

// Only the last part of an input file's name is kept, and it is looked up in the scratch folder.
std::string KeepInScratch(const std::string& entry) {
  const auto eq = entry.find('=');
  if (!model::IEquals(entry.substr(0, eq), "input")) return entry;
  const std::string value = entry.substr(eq + 1);
  if (value.empty()) return entry;
  const auto slash = value.find_last_of('/');
  return entry.substr(0, eq + 1) + Scratch() + (slash == std::string::npos ? value : value.substr(slash + 1));
}

std::size_t Count(const std::string& s, char c) { return static_cast<std::size_t>(std::count(s.begin(), s.end(), c)); }

void CheckTokens(const std::vector<std::string>& tokens) {
  for (const std::string& token : tokens) {
    FUZZ_CHECK(!token.empty(), "an empty token");
    char quote = 0;
    for (const char c : token) {
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '\'' || c == '"') {
        quote = c;
      } else {
        FUZZ_CHECK(c != ' ' && c != '\r' && c != '\n', "a token holds a separator outside quotes: " + token);
      }
    }
  }
}

void CheckText(const std::string& text) {
  const std::string ansi = platform::Utf8ToAnsi(text);
  FUZZ_CHECK(ansi.size() <= text.size(), "the ANSI form of a text is longer than its UTF-8 form");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  const std::string text = TFpParamsHandlerBasic::DecodeParamsFile(bytes);
  const std::vector<std::string> tokens = TFpParamsHandlerBasic::TokenizeParamsText(text);
  CheckTokens(tokens);

  app::TParamsList list;
  for (const std::string& token : tokens) {
    const std::string entry = TFpParamsHandlerBasic::TokenToEntry(token);
    FUZZ_CHECK(entry.find('=') != std::string::npos, "an entry without \"=\": " + entry);
    // The name (which may itself hold "=" or quotes) keeps its quotes; the value loses every one.
    const std::size_t colon = token.find(':');
    if (colon != std::string::npos)
      FUZZ_CHECK(Count(entry, '"') == (colon > 1 ? Count(token.substr(1, colon - 1), '"') : 0),
                 "a double quote left in a value: " + entry);
    list.push_back(KeepInScratch(entry));
  }

  app::TFpInputParameters params;
  try {
    TFpParamsHandlerBasic::LoadParametersObject(list, params);
  } catch (const std::exception& e) {
    FUZZ_CHECK(e.what() != nullptr && *e.what() != '\0', "an option error without a message");
    return 0;
  }
  FUZZ_CHECK(params.WriteBon == (params.WriteBonData != nullptr), "writeBon payload and flag disagree");
  FUZZ_CHECK(params.GetUnp == (params.GetUnpData != nullptr), "getUnp payload and flag disagree");
  for (const std::string* value : {&params.FiscalMemoryNo, &params.InputFile, &params.OutputFile}) CheckText(*value);
  if (params.WriteBonData) CheckText(params.WriteBonData->Data);
  return 0;
}
