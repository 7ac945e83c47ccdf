#pragma once
// Run options: read from params.txt beside the executable or, when that file is absent, from the
// command line; turned into a name=value list and then into one TFpInputParameters record.
#include <memory>
#include <string>
#include <vector>

namespace app {

// Ordered "name=value" entries; lookups are by name without regard to case, the first entry wins.
using TParamsList = std::vector<std::string>;

// Payload of writeBon: "computer:fpNo:unp:docId:script".
class TWriteBonData {
public:
  std::string mRaw;  // declared for the raw option text; never assigned
  std::string ComputerName;
  std::string FpNo;
  std::string DocId;
  std::string Unp;
  std::string Data;  // the receipt script

  // Splits the option value; a non-empty parInputFile replaces Data by the file's content.
  void SetData(const std::string& parRaw, const std::string& parInputFile);
};

// Payload of getUnp: "preferredFpNo:operatorNo[:1]".
class TGetUnpData {
public:
  std::string mRaw;  // declared; never assigned
  std::string OperatorNo;
  std::string PreferredFpNo;
  bool FailIfNotPreferred = false;
  std::string Unp;  // never assigned

  // Raises "List index out of bounds (1)" when the value has no ":".
  void SetRaw(const std::string& parRaw);
};

class TFpInputParameters {
public:
  bool WriteBon = false;
  std::unique_ptr<TWriteBonData> WriteBonData;
  std::string FiscalMemoryNo;
  bool CheckStatus = false;
  bool GetStatus = false;
  bool ListDevices = false;
  bool HandleBons = false;
  bool Start = false;
  bool Ui = false;
  bool GetUnp = false;
  std::unique_ptr<TGetUnpData> GetUnpData;
  std::string InputFile;
  std::string OutputFile;
};

class TFpParamsHandlerBasic {
public:
  // Appends one entry per option token: from parExeFolder + "params.txt" when it exists (the
  // command line is then ignored), otherwise from parArguments (arguments 1..N).
  static void ParseParameters(const std::string& parExeFolder, const std::vector<std::string>& parArguments,
                              TParamsList& parParamsList);
  // Raises when the writeBon input file is missing or the getUnp value has no ":".
  static void LoadParametersObject(const TParamsList& parParamsList, TFpInputParameters& parParamsObject);

  // params.txt bytes to UTF-8 by their byte-order mark (none: the ANSI code page).
  static std::string DecodeParamsFile(const std::string& parBytes);
  // Splits at blanks, CR and LF; ' and " open stretches that keep blanks and stay in the token.
  static std::vector<std::string> TokenizeParamsText(const std::string& parText);
  // "/name:value" -> "name=value": first character dropped, first ":" splits, double quotes removed from the value.
  static std::string TokenToEntry(const std::string& parToken);
};

}  // namespace app
