// The map of the variables as JSON, written and read back with nlohmann-json.
#include <nlohmann/json.hpp>

#include <limits>

#include "base/cp1251.h"
#include "driver/vars.h"

namespace zunt {
namespace {

// The names of the scopes, by TNameScope.
constexpr std::string_view kScopes[] = {"shared", "script", "local"};

// Returns text as a JSON string: UTF-8, whatever bytes a path holds.
std::string Quoted(std::string_view text) {
  return nlohmann::json(std::string(text))
      .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// Appends Windows-1251 text (a name) as a JSON string: its UTF-8 is valid,
// and only quotes, backslashes and control characters need escapes.
void AppendQuoted(std::string* out, std::string_view win1251) {
  *out += '"';
  for (char c : Utf8FromWin1251(win1251)) {
    unsigned char b = static_cast<unsigned char>(c);
    if (b == '"' || b == '\\') {
      *out += '\\';
      *out += c;
    } else if (b < 0x20) {
      static constexpr char kHex[] = "0123456789abcdef";
      *out += "\\u00";
      *out += kHex[b >> 4];
      *out += kHex[b & 15];
    } else {
      *out += c;
    }
  }
  *out += '"';
}

// Writes a map's parts as JSON text, a number on a line; each file's name
// is quoted once.
class TJsonWriter {
 public:
  explicit TJsonWriter(const TVarMap& map) : Map(map), Files(map.Files.size()) {}

  const std::string& File(uint32_t file) {
    if (Files[file].empty()) Files[file] = Quoted(Map.Files[file]);
    return Files[file];
  }
  void Place(std::string* out, const TMapPlace& place) {
    if (place.File == TMapPlace::kNoFile) {
      *out += "null";
      return;
    }
    *out += "{\"file\": " + File(place.File);
    if (place.Known()) {
      *out += ", \"line\": " + std::to_string(place.Line) +
              ", \"column\": " + std::to_string(place.Column);
    }
    *out += '}';
  }
  void Names(std::string* out, const TMapNumber& number) {
    *out += '[';
    for (size_t id : number.Names) {
      const TMapName& name = Map.Names[id];
      if (*out->rbegin() != '[') *out += ", ";
      *out += "{\"name\": ";
      AppendQuoted(out, name.Name);
      *out += ", \"scope\": \"";
      *out += kScopes[static_cast<int>(name.Scope)];
      *out += '"';
      if (name.Script != TMapPlace::kNoFile) *out += ", \"script\": " + File(name.Script);
      *out += ", \"declared\": ";
      Place(out, name.Declared);
      *out += ", \"refs\": " + std::to_string(name.Refs) + ", \"first\": ";
      Place(out, name.First);
      *out += name.Unused() ? ", \"unused\": true}" : ", \"unused\": false}";
    }
    *out += ']';
  }

 private:
  const TVarMap& Map;
  std::vector<std::string> Files;
};

std::string LetterText(char letter) {
  std::string text;
  AppendQuoted(&text, std::string_view(&letter, 1));
  return text;
}

// What is wrong with a map's JSON.
struct TBadMap {
  const char* What;
};

// Reads a map's JSON, throwing TBadMap at what is wrong with it.
class TMapReader {
 public:
  explicit TMapReader(TVarMap& map) : Map(map) {}

  void Read(const nlohmann::json& json) {
    Require(json.is_object() && Member(json, "format") == "zunt-vars",
            "это не карта переменных zunt: нет «\"format\": \"zunt-vars\"»");
    Require(Member(json, "version") == 1, "у карты другая версия формата, нужна 1");
    const nlohmann::json& letters = Member(json, "letters");
    Require(letters.is_array(), "«letters» должен быть списком");
    for (const nlohmann::json& letter : letters) ReadLetter(letter);
    SortNumbers(Map);
  }

 private:
  static void Require(bool holds, const char* what) {
    if (!holds) throw TBadMap{what};
  }
  // Returns the member of an object, or null.
  static const nlohmann::json& Member(const nlohmann::json& json, const char* key) {
    static const nlohmann::json kNull;
    if (!json.is_object()) return kNull;
    auto it = json.find(key);
    return it == json.end() ? kNull : *it;
  }
  // Returns whether a number is an integer of 32 bits, and puts it in *value.
  static bool Int32(const nlohmann::json& json, int32_t* value) {
    if (json.is_number_unsigned()) {
      if (json.get<uint64_t>() > uint64_t{std::numeric_limits<int32_t>::max()}) return false;
    } else if (!json.is_number_integer() ||
               json.get<int64_t>() < std::numeric_limits<int32_t>::min() ||
               json.get<int64_t>() > std::numeric_limits<int32_t>::max()) {
      return false;
    }
    *value = static_cast<int32_t>(json.get<int64_t>());
    return true;
  }

  void ReadLetter(const nlohmann::json& json) {
    const nlohmann::json& letter = Member(json, "letter");
    std::string bytes = letter.is_string() ? Win1251(letter.get<std::string>()) : "";
    Require(bytes.size() == 1 && bytes[0] != 0,
            "у каждой буквы нужна «letter»: строка из одной буквы Windows-1251");
    const nlohmann::json& numbers = Member(json, "numbers");
    Require(numbers.is_array(), "у каждой буквы «numbers» должен быть списком");
    for (const nlohmann::json& number : numbers) ReadNumber(bytes[0], number);
  }

  void ReadNumber(char letter, const nlohmann::json& json) {
    TMapNumber record;
    record.Letter = letter;
    Require(Int32(Member(json, "number"), &record.Number),
            "у каждого номера нужен «number»: целое число от -2147483648 до 2147483647");
    const nlohmann::json& names = Member(json, "names");
    Require(names.is_array(), "у каждого номера «names» должен быть списком");
    for (const nlohmann::json& name : names) {
      Require(Member(name, "name").is_string(), "у каждого имени нужна строка «name»");
      TMapName item;
      item.Name = Win1251(Member(name, "name").get<std::string>());
      item.Letter = record.Letter;
      item.Number = record.Number;
      if (Member(name, "scope") == "local") item.Scope = TNameScope::Local;
      const nlohmann::json& declared = Member(name, "declared");
      if (Member(declared, "file").is_string()) {
        Map.Files.push_back(Member(declared, "file").get<std::string>());
        item.Declared.File = static_cast<uint32_t>(Map.Files.size() - 1);
        const nlohmann::json& line = Member(declared, "line");
        if (line.is_number_unsigned()) item.Declared.Line = line.get<uint64_t>();
      }
      record.Names.push_back(Map.Names.size());
      Map.Names.push_back(std::move(item));
    }
    Map.Numbers.push_back(std::move(record));
  }

  TVarMap& Map;
};

}  // namespace

std::string VarMapJson(const TVarMap& map) {
  TJsonWriter writer(map);
  std::string out = "{\n  \"format\": \"zunt-vars\",\n  \"version\": 1,\n  \"scripts\": [";
  for (uint32_t script : map.Scripts) {
    if (out.back() != '[') out += ", ";
    out += writer.File(script);
  }
  out += "],\n  \"letters\": [";
  for (const TMapLetter& letter : map.Letters) {
    if (out.back() != '[') out += ',';
    out += "\n    {\"letter\": " + LetterText(letter.Letter) +
           ", \"low\": " + std::to_string(map.Numbers[letter.Begin].Number) +
           ", \"high\": " + std::to_string(map.Numbers[letter.End - 1].Number) + ", \"free\": [";
    for (const TMapRange& range : letter.Free) {
      if (out.back() != '[') out += ", ";
      out += '[' + std::to_string(range.From) + ", " + std::to_string(range.To) + ']';
    }
    out += "], \"numbers\": [";
    for (size_t i = letter.Begin; i < letter.End; ++i) {
      const TMapNumber& number = map.Numbers[i];
      out += i == letter.Begin ? "\n      " : ",\n      ";
      out += "{\"number\": " + std::to_string(number.Number) +
             ", \"refs\": " + std::to_string(number.Refs) + ", \"first\": ";
      writer.Place(&out, number.First);
      out += number.Alias ? ", \"alias\": true" : ", \"alias\": false";
      out +=
          number.Overlap ? ", \"overlap\": true, \"names\": " : ", \"overlap\": false, \"names\": ";
      writer.Names(&out, number);
      out += '}';
    }
    out += "\n    ]}";
  }
  out += map.Letters.empty() ? "]\n}\n" : "\n  ]\n}\n";
  return out;
}

std::string SharedNumbersJson(const TVarMap& ours, const TVarMap& theirs,
                              const std::vector<TSharedNumber>& shared) {
  TJsonWriter here(ours), there(theirs);
  std::string out = "{\n  \"format\": \"zunt-vars-against\",\n  \"version\": 1,\n  \"shared\": [";
  for (const TSharedNumber& number : shared) {
    out += out.back() == '[' ? "\n    " : ",\n    ";
    out += "{\"letter\": " + LetterText(number.Ours->Letter) +
           ", \"number\": " + std::to_string(number.Ours->Number) + ", \"ours\": ";
    here.Names(&out, *number.Ours);
    out += ", \"theirs\": ";
    there.Names(&out, *number.Theirs);
    out += '}';
  }
  out += shared.empty() ? "]\n}\n" : "\n  ]\n}\n";
  return out;
}

bool ReadVarMapJson(std::string_view text, TVarMap* map, std::string* error) {
  nlohmann::json json = nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
  if (json.is_discarded()) {
    *error = "это не JSON";
    return false;
  }
  *map = TVarMap();
  try {
    TMapReader(*map).Read(json);
  } catch (const TBadMap& bad) {
    *error = bad.What;
    return false;
  }
  return true;
}

}  // namespace zunt
