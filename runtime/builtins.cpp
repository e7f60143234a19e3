// The run-time's module tables: each family of built-in functions is one module, named after
// the source file that defines it.
#include "runtime/builtins.h"

#include "runtime/error.h"

namespace lanmere {

namespace {

constexpr unsigned kEntry = kPublic | kDefined;

const ModuleTable& textModule() {
  static const ModuleTable module{"runtime/builtins_text.cpp",
                                  {{"SPACE", kEntry, SPACE},
                                   {"LEFT", kEntry, LEFT},
                                   {"RIGHT", kEntry, RIGHT},
                                   {"STRTRAN", kEntry, STRTRAN},
                                   {"SUBSTR", kEntry, SUBSTR},
                                   {"AT", kEntry, AT},
                                   {"RAT", kEntry, RAT},
                                   {"UPPER", kEntry, UPPER},
                                   {"LOWER", kEntry, LOWER},
                                   {"TRIM", kEntry, TRIM},
                                   {"RTRIM", kEntry, TRIM},
                                   {"LTRIM", kEntry, LTRIM},
                                   {"ALLTRIM", kEntry, ALLTRIM},
                                   {"PADR", kEntry, PADR},
                                   {"PADL", kEntry, PADL},
                                   {"PADC", kEntry, PADC},
                                   {"REPLICATE", kEntry, REPLICATE},
                                   {"CHR", kEntry, CHR},
                                   {"ASC", kEntry, ASC},
                                   {"LEN", kEntry, LEN},
                                   {"VALTYPE", kEntry, VALTYPE},
                                   {"EMPTY", kEntry, EMPTY},
                                   {"CLASSNAME", kEntry, CLASSNAME},
                                   {"NETERR", kEntry, NETERR}}};
  return module;
}

const ModuleTable& numberModule() {
  static const ModuleTable module{"runtime/builtins_number.cpp",
                                  {{"STR", kEntry, STR},
                                   {"VAL", kEntry, VAL},
                                   {"INT", kEntry, INT},
                                   {"ROUND", kEntry, ROUND},
                                   {"ABS", kEntry, ABS},
                                   {"MOD", kEntry, MOD},
                                   {"MAX", kEntry, MAX},
                                   {"MIN", kEntry, MIN},
                                   {"HB_NUMTOHEX", kEntry, HB_NUMTOHEX},
                                   {"I2BIN", kEntry, I2BIN},
                                   {"BIN2I", kEntry, BIN2I},
                                   {"L2BIN", kEntry, L2BIN},
                                   {"BIN2L", kEntry, BIN2L}}};
  return module;
}

const ModuleTable& dateModule() {
  static const ModuleTable module{"runtime/builtins_date.cpp",
                                  {{"DATE", kEntry, DATE},
                                   {"TIME", kEntry, TIME},
                                   {"SECONDS", kEntry, SECONDS},
                                   {"YEAR", kEntry, YEAR},
                                   {"MONTH", kEntry, MONTH},
                                   {"DAY", kEntry, DAY},
                                   {"DTOC", kEntry, DTOC},
                                   {"CTOD", kEntry, CTOD},
                                   {"DTOS", kEntry, DTOS},
                                   {"STOD", kEntry, STOD},
                                   {"HB_TTOC", kEntry, HB_TTOC}}};
  return module;
}

const ModuleTable& listModule() {
  static const ModuleTable module{"runtime/builtins_list.cpp",
                                  {{"AADD", kEntry, AADD},
                                   {"ASIZE", kEntry, ASIZE},
                                   {"ACLONE", kEntry, ACLONE},
                                   {"ASCAN", kEntry, ASCAN},
                                   {"AINS", kEntry, AINS},
                                   {"ADEL", kEntry, ADEL},
                                   {"ASORT", kEntry, ASORT},
                                   {"AEVAL", kEntry, AEVAL}}};
  return module;
}

const ModuleTable& fileModule() {
  static const ModuleTable module{"runtime/builtins_file.cpp",
                                  {{"FCREATE", kEntry, FCREATE},
                                   {"FOPEN", kEntry, FOPEN},
                                   {"FREAD", kEntry, FREAD},
                                   {"FWRITE", kEntry, FWRITE},
                                   {"FSEEK", kEntry, FSEEK},
                                   {"FCLOSE", kEntry, FCLOSE},
                                   {"FERASE", kEntry, FERASE},
                                   {"FILE", kEntry, FILE},
                                   {"DIRECTORY", kEntry, DIRECTORY},
                                   {"FERROR", kEntry, FERROR}}};
  return module;
}

}  // namespace

std::vector<const ModuleTable*> builtinModules() {
  return {&errorModule(), &textModule(), &numberModule(),
          &dateModule(),  &listModule(), &fileModule()};
}

}  // namespace lanmere
