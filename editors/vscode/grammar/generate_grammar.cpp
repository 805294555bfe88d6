// Writes the editor's TextMate grammar for the dialect. The keywords come
// from the compiler's own keyword list at build time, so colouring never
// drifts from what the compiler accepts; the rest of the grammar follows the
// tokenizer's rules for names, numbers, strings, comments and labels.
//
// Usage: ombrik_grammar GRAMMAR.json [KEYWORD-TEST.bas]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "lsp/keyword_list.h"

using nlohmann::json;

namespace {

// Keywords that get a scope of their own; every other keyword of the list is
// a built-in statement or function. A word named here that the list lacks
// stops the build, so a renamed keyword cannot silently lose its colour.
struct Category {
  const char *scope;
  std::vector<std::string> words;
};

const std::vector<Category> categories = {
    {"keyword.control.ombrik",
     {"IF", "THEN", "ELSE", "ELSEIF", "ENDIF", "SELECT", "CASE", "ENDSELECT", "FOR", "TO", "DOWNTO",
      "STEP", "NEXT", "WHILE", "DO", "LOOP", "UNTIL", "GOTO", "GOSUB", "CALL", "RETURN", "EXIT",
      "END", "ON"}},
    {"storage.type.function.ombrik", {"FUNCTION", "SUB", "ENDFUNCTION", "ENDSUB", "INTERRUPT"}},
    {"storage.type.ombrik", {"INTEGER", "SINGLE", "STRING", "BYTE"}},
    {"storage.modifier.ombrik", {"BYVAL", "BYREF", "PARAMARRAY"}},
    {"keyword.other.declaration.ombrik", {"DIM", "CONST", "AS", "DATA"}},
    {"keyword.operator.word.ombrik", {"AND", "OR", "XOR", "MOD", "NOT"}},
    {"keyword.other.section.ombrik", {"__ASM__", "__IOHA__", "__IOHB__", "__MAP__", "MAIN"}},
    {"keyword.other.command.ombrik", {"RUN", "QUIT", "QUITNOW", "QUITDUMP", "CLEAR"}},
};
const char *const BUILTIN_SCOPE = "support.function.ombrik";

// Keywords are whole words in any letter case; a '$' right after one makes
// a name of it (STR$ is a variable, STR a keyword), as in the tokenizer.
std::string keyword_regex(std::vector<std::string> words) {
  std::sort(words.begin(), words.end(),
            [](const std::string &a, const std::string &b) { return a.size() != b.size() ? a.size() > b.size() : a < b; });
  std::string alternatives;
  for (const std::string &w : words) alternatives += (alternatives.empty() ? "" : "|") + w;
  return "(?i)\\b(?:" + alternatives + ")\\b(?!\\$)";
}

std::string escape_for_class(char c) {
  return std::string(std::strchr("\\]^-[", c) ? "\\" : "") + c;
}

// The scope of each keyword of the list, in the list's order. Stops the
// program when a category names a word the list lacks.
std::vector<std::pair<std::string, std::string>> keyword_scopes() {
  const std::vector<std::string> &keywords = lsp::dialect_keywords();
  for (const Category &cat : categories)
    for (const std::string &w : cat.words)
      if (std::find(keywords.begin(), keywords.end(), w) == keywords.end()) {
        std::fprintf(stderr, "ombrik_grammar: \"%s\" (%s) is not in the compiler's keyword list\n", w.c_str(),
                     cat.scope);
        std::exit(1);
      }
  std::vector<std::pair<std::string, std::string>> out;
  for (const std::string &w : keywords) {
    const char *scope = BUILTIN_SCOPE;
    for (const Category &cat : categories)
      if (std::find(cat.words.begin(), cat.words.end(), w) != cat.words.end()) scope = cat.scope;
    out.emplace_back(w, scope);
  }
  return out;
}

// A grammar test with every keyword of the list, each asserting its scope,
// so that the test proves the generated patterns match every one.
std::string keyword_sample() {
  std::string out = "' SYNTAX TEST \"source.ombrik\" \"every keyword of the compiler's list\"\n";
  for (const auto &[word, scope] : keyword_scopes())
    out += " " + word + "\n'" + std::string(word.size(), '^') + " " + scope + "\n";
  return out;
}

json grammar() {
  // One pattern per scope, categories first, the built-ins last.
  std::vector<std::pair<std::string, std::vector<std::string>>> by_scope;
  for (const Category &cat : categories) by_scope.push_back({cat.scope, {}});
  by_scope.push_back({BUILTIN_SCOPE, {}});
  for (const auto &[word, scope] : keyword_scopes())
    for (auto &[s, words] : by_scope)
      if (s == scope) words.push_back(word);
  json keyword_patterns = json::array();
  for (const auto &[scope, words] : by_scope)
    keyword_patterns.push_back({{"name", scope}, {"match", keyword_regex(words)}});

  // The list's punctuation: brackets and separators, the rest operators.
  std::string brackets, operators;
  for (char c : lsp::dialect_punctuation())
    (std::strchr("(){},;:", c) ? brackets : operators) += escape_for_class(c);

  json repository = {
      {"comment",
       {{"name", "comment.line.apostrophe.ombrik"},
        {"match", "(')(.*)$"},
        {"captures", {{"1", {{"name", "punctuation.definition.comment.ombrik"}}}}}}},
      // Lines the front end handles before the compiler sees them:
      // #include, #define and friends, and "# N file" line markers.
      {"directive",
       {{"name", "meta.preprocessor.ombrik"},
        {"begin", "^\\s*(#)\\s*([A-Za-z_]\\w*)?"},
        {"beginCaptures",
         {{"1", {{"name", "punctuation.definition.directive.ombrik"}}},
          {"2", {{"name", "keyword.control.directive.ombrik"}}}}},
        {"end", "$"},
        {"patterns", {{{"include", "#string"}}, {{"include", "#number"}}, {{"include", "#comment"}},
                      {{"include", "#name"}}}}}},
      // A name followed directly by ':' at the head of a line.
      {"label",
       {{"match", "^\\s*([A-Za-z_][A-Za-z0-9_]*)(:)"},
        {"captures",
         {{"1", {{"name", "entity.name.label.ombrik"}}}, {"2", {{"name", "punctuation.separator.label.ombrik"}}}}}}},
      {"jump",
       {{"match", "(?i)\\b(GOTO|GOSUB)\\s+([A-Za-z_][A-Za-z0-9_]*)\\b(?!\\$)"},
        {"captures",
         {{"1", {{"name", "keyword.control.ombrik"}}}, {"2", {{"name", "entity.name.label.ombrik"}}}}}}},
      {"routine",
       {{"match", "(?i)\\b(FUNCTION|SUB)\\s+([A-Za-z_][A-Za-z0-9_]*\\$?)"},
        {"captures",
         {{"1", {{"name", "storage.type.function.ombrik"}}}, {"2", {{"name", "entity.name.function.ombrik"}}}}}}},
      // A double quote, one character and a double quote is a character
      // literal (so three double quotes are the character '"'); otherwise a
      // string runs to the next double quote, and must end on its line.
      {"string",
       {{"patterns",
         {{{"name", "string.quoted.double.ombrik constant.character.ombrik"}, {"match", "\".\""}},
          {{"name", "string.quoted.double.ombrik"}, {"match", "\"[^\"]*\""}},
          {{"name", "string.quoted.double.ombrik invalid.illegal.unterminated.ombrik"}, {"match", "\"[^\"]*$"}}}}}},
      // &H and $ take hexadecimal digits in either case, 0x only with a
      // lower-case x (0X1F is 0 followed by the name X1F); % binary; a '.'
      // or an exponent makes a SINGLE.
      {"number",
       {{"patterns",
         {{{"name", "constant.numeric.hex.ombrik"}, {"match", "(?:&H|\\$|0x)[0-9A-Fa-f]+"}},
          {{"name", "invalid.illegal.numeric.ombrik"}, {"match", "%[01]*[2-9][0-9]*"}},
          {{"name", "constant.numeric.binary.ombrik"}, {"match", "%[01]+"}},
          {{"name", "constant.numeric.float.ombrik"},
           {"match", "\\b[0-9]+(?:\\.[0-9]*(?:[Ee][-+]?[0-9]+)?|[Ee][-+]?[0-9]+)"}},
          {{"name", "constant.numeric.integer.ombrik"}, {"match", "\\b[0-9]+"}}}}}},
      {"keyword", {{"patterns", keyword_patterns}}},
      // Names of at most 31 significant characters; a '$' at the end makes
      // a different (string) name.
      {"name",
       {{"patterns",
         {{{"name", "variable.other.string.ombrik"},
           {"match", "([A-Za-z_][A-Za-z0-9_]*)(\\$)"},
           {"captures", {{"2", {{"name", "punctuation.definition.variable.string.ombrik"}}}}}},
          {{"name", "variable.other.ombrik"}, {"match", "[A-Za-z_][A-Za-z0-9_]*"}}}}}},
      // Comparison and shift operators are made by the tokenizer from '<',
      // '=' and '>'; the others are single-character keywords.
      {"operator",
       {{"patterns",
         {{{"name", "keyword.operator.comparison.ombrik"}, {"match", "<<|>>|<>|><|<=|=<|>=|=>|=|<|>"}},
          {{"name", "keyword.operator.ombrik"}, {"match", "[" + operators + "]"}},
          {{"name", "punctuation.ombrik"}, {"match", "[" + brackets + "]"}}}}}},
  };

  return {
      {"$schema", "https://raw.githubusercontent.com/martinring/tmlanguage/master/tmlanguage.json"},
      {"name", "Ombrik BASIC"},
      {"scopeName", "source.ombrik"},
      {"fileTypes", {"bas"}},
      {"patterns",
       {{{"include", "#directive"}},
        {{"include", "#comment"}},
        {{"include", "#label"}},
        {{"include", "#string"}},
        {{"include", "#jump"}},
        {{"include", "#routine"}},
        {{"include", "#number"}},
        {{"include", "#keyword"}},
        {{"include", "#name"}},
        {{"include", "#operator"}}}},
      {"repository", repository},
  };
}

// Written beside the target and renamed, so a failed run leaves the
// previous file whole.
bool write_file(const std::filesystem::path &out, const std::string &text) {
  std::filesystem::path tmp = out;
  tmp += ".tmp";
  {
    std::ofstream file(tmp, std::ios::binary | std::ios::trunc);
    file << text;
    if (!file.flush()) {
      std::fprintf(stderr, "ombrik_grammar: cannot write %s\n", tmp.c_str());
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(tmp, out, ec);
  if (ec) {
    std::fprintf(stderr, "ombrik_grammar: cannot rename %s to %s: %s\n", tmp.c_str(), out.c_str(),
                 ec.message().c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: ombrik_grammar GRAMMAR.json [KEYWORD-TEST.bas]\n");
    return 2;
  }
  if (!write_file(argv[1], grammar().dump(2) + "\n")) return 1;
  if (argc == 3 && !write_file(argv[2], keyword_sample())) return 1;
  return 0;
}
