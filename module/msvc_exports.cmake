# Build step (cmake -P) over msvc_exports.tbl, the one list of KalMsAddin.dll's Visual C++
# names. Inputs: TABLE, DEF_IN (the .def template), HEADER_DIR (include/), OUT_DIR, CLANG,
# NM. Writes into OUT_DIR:
#   msvc_thunks.cpp          one thunk per name, with the x64 member-call convention (this
#                            first; constructors return this)
#   KalMsAddin.def           DEF_IN with the table's names mapped to their thunks
#   KalMsAddin.imports.def   the names alone, for the import library KalMsAddin.lib
#   msvc_exports_table.h     { name, declaration } rows for the undecoration test
#   msvc_names_check.cpp     every declaration referenced once, compiled by clang for
#                            x86_64-pc-windows-msvc: the names it emits must be the table's.
cmake_minimum_required(VERSION 3.20)

file(STRINGS "${TABLE}" lines)
set(names "")
set(thunks "")
set(def_lines "")
set(import_lines "")
set(rows "")
set(refs "")
set(index 0)
set(ident "[A-Za-z_][A-Za-z0-9_]*")

# "T1, T2" -> parameters "T1 a0, T2 a1" and arguments "a0, a1".
function(split_params text out_params out_args)
  set(params "")
  set(args "")
  string(STRIP "${text}" text)
  if(NOT text STREQUAL "")
    string(REPLACE "," ";" types "${text}")
    set(i 0)
    foreach(type IN LISTS types)
      string(STRIP "${type}" type)
      list(APPEND params "${type} a${i}")
      list(APPEND args "a${i}")
      math(EXPR i "${i} + 1")
    endforeach()
  endif()
  list(JOIN params ", " params)
  list(JOIN args ", " args)
  set(${out_params} "${params}" PARENT_SCOPE)
  set(${out_args} "${args}" PARENT_SCOPE)
endfunction()

foreach(line IN LISTS lines)
  if(line MATCHES "^[ \t]*(#|$)")
    continue()
  endif()
  if(NOT line MATCHES "^([^ \t]+)[ \t]+(.+)$")
    message(FATAL_ERROR "msvc_exports.tbl: cannot read '${line}'")
  endif()
  set(name "${CMAKE_MATCH_1}")
  string(STRIP "${CMAKE_MATCH_2}" decl)
  if(index LESS 10)
    set(thunk "KalMsvcExport0${index}")
  else()
    set(thunk "KalMsvcExport${index}")
  endif()
  set(target "${thunk}")
  set(data "")
  list(APPEND names "${name}")

  if(decl STREQUAL "const CTavExchg::`vftable'")
    set(target "KalMsvcVftable")
    set(data " DATA")
    string(APPEND refs "  ::new (mem) CTavExchg();  // the table comes with the constructor\n")
  elseif(decl MATCHES "^CTavExchg::CTavExchg\\((.*)\\)$")
    split_params("${CMAKE_MATCH_1}" params args)
    if(params STREQUAL "")
      set(params_self "CTavExchg* self")
    else()
      set(params_self "CTavExchg* self, ${params}")
    endif()
    string(APPEND thunks "CTavExchg* ${thunk}(${params_self}) {\n"
      "  ::new (static_cast<void*>(self)) CTavExchg(${args});\n"
      "  return kal::WithMsvcVftable(self);\n}\n")
    if(args STREQUAL "")
      string(APPEND refs "  ::new (mem) CTavExchg();\n")
    else()
      string(APPEND refs "  ::new (mem) CTavExchg(*p);\n")
    endif()
  elseif(decl STREQUAL "virtual CTavExchg::~CTavExchg()")
    string(APPEND thunks "void ${thunk}(CTavExchg* self) { self->CTavExchg::~CTavExchg(); }\n")
    string(APPEND refs "  p->CTavExchg::~CTavExchg();\n")
  elseif(decl MATCHES "^(.*[^ ]) *CTavExchg::(${ident}|operator=)\\((.*)\\)$")
    set(result "${CMAKE_MATCH_1}")
    set(op "${CMAKE_MATCH_2}")
    split_params("${CMAKE_MATCH_3}" params args)
    set(params_self "CTavExchg* self")
    if(NOT params STREQUAL "")
      string(APPEND params_self ", ${params}")
    endif()
    string(APPEND thunks "${result} ${thunk}(${params_self}) {\n"
      "  return self->${op}(${args});\n}\n")
    string(APPEND refs "  { ${result} (CTavExchg::* volatile r)(${CMAKE_MATCH_3}) = "
      "&CTavExchg::${op}; (void)r; }\n")
  elseif(decl MATCHES "^(.*[^ ]) +(${ident})\\((.*)\\)$")
    set(result "${CMAKE_MATCH_1}")
    set(fn "${CMAKE_MATCH_2}")
    split_params("${CMAKE_MATCH_3}" params args)
    string(APPEND thunks "${result} ${thunk}(${params}) { return ::${fn}(${args}); }\n")
    string(APPEND refs "  { ${result} (* volatile r)(${CMAKE_MATCH_3}) = &${fn}; (void)r; }\n")
  else()
    message(FATAL_ERROR "msvc_exports.tbl: no thunk for '${decl}'")
  endif()

  string(APPEND def_lines "    ${name}=${target}${data}\n")
  string(APPEND import_lines "    ${name}${data}\n")
  string(REPLACE "\\" "\\\\" decl_c "${decl}")
  string(REPLACE "\"" "\\\"" decl_c "${decl_c}")
  string(APPEND rows "    {\"${name}\", \"${decl_c}\"},\n")
  math(EXPR index "${index} + 1")
endforeach()

list(LENGTH names count)
list(REMOVE_DUPLICATES names)
list(LENGTH names unique)
if(NOT count EQUAL unique)
  message(FATAL_ERROR "msvc_exports.tbl: a name is listed twice")
endif()

set(generated "// Generated from module/msvc_exports.tbl by module/msvc_exports.cmake.\n")

file(WRITE "${OUT_DIR}/msvc_thunks.cpp.tmp" "${generated}"
  "// Thunks behind KalMsAddin.dll's Visual C++ names; KalMsAddin.def maps each name here.\n"
  "#include <new>\n\n#include \"module/msvc_abi.h\"\n\n"
  "extern \"C\" {\n${thunks}}\n")

file(READ "${DEF_IN}" def_in)
string(REPLACE "@MSVC_EXPORTS@\n" "${def_lines}" def_text "${def_in}")
file(WRITE "${OUT_DIR}/KalMsAddin.def.tmp" "${def_text}")

file(WRITE "${OUT_DIR}/KalMsAddin.imports.def.tmp"
  "; Generated from module/msvc_exports.tbl: the Visual C++ names of KalMsAddin.dll.\n"
  "LIBRARY KalMsAddin.dll\nEXPORTS\n${import_lines}")

file(WRITE "${OUT_DIR}/msvc_exports_table.h.tmp" "${generated}"
  "// Each Visual C++ name that KalMsAddin.dll exports, with its declaration.\n"
  "#pragma once\n\nstruct CMsvcExportRow {\n  const char* name;\n  const char* declaration;\n};\n\n"
  "constexpr CMsvcExportRow kMsvcExports[] = {\n${rows}};\n")

# The table against a real Microsoft-ABI compiler.
file(WRITE "${OUT_DIR}/msvc_names_check.cpp" "${generated}"
  "#define KALEXCHG_API\n#include \"kalmsaddin/tav_exchg.h\"\n\n"
  "inline void* operator new(decltype(sizeof 0), void* p) noexcept { return p; }\n"
  "CTavExchg::~CTavExchg() {}\n\n"
  "void KalMsvcNamesCheck(CTavExchg* p, void* mem) {\n${refs}}\n")
execute_process(
  COMMAND "${CLANG}" --target=x86_64-pc-windows-msvc -fno-rtti -O0 -I "${HEADER_DIR}"
          -c "${OUT_DIR}/msvc_names_check.cpp" -o "${OUT_DIR}/msvc_names_check.obj"
  RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "clang (Microsoft mode) rejects the client header or the table:\n${err}")
endif()
execute_process(COMMAND "${NM}" "${OUT_DIR}/msvc_names_check.obj"
  OUTPUT_VARIABLE nm_out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "llvm-nm failed on msvc_names_check.obj")
endif()
string(REPLACE "\n" ";" nm_lines "${nm_out}")
set(emitted "")
foreach(nm_line IN LISTS nm_lines)
  string(REGEX REPLACE "^.* " "" sym "${nm_line}")
  # The class's own names and the two free functions; the check function itself and the
  # scalar deleting destructor (reached through the virtual table, never imported) aside.
  if((sym MATCHES "CTavExchg@@" OR sym MATCHES "^\\?(GetUserNameAndPsw|GetDyKeyname)@@")
     AND NOT sym MATCHES "^\\?KalMsvcNamesCheck@@" AND NOT sym MATCHES "^\\?\\?_G")
    list(APPEND emitted "${sym}")
  endif()
endforeach()
set(missing ${names})
list(REMOVE_ITEM missing ${emitted})
set(extra ${emitted})
list(REMOVE_ITEM extra ${names})
if(missing OR extra)
  message(FATAL_ERROR "msvc_exports.tbl disagrees with clang's Microsoft names:\n"
    "  in the table only: ${missing}\n  from clang only: ${extra}")
endif()

# Replace outputs only when they change, so a rerun does not relink.
foreach(out msvc_thunks.cpp KalMsAddin.def KalMsAddin.imports.def msvc_exports_table.h)
  file(COPY_FILE "${OUT_DIR}/${out}.tmp" "${OUT_DIR}/${out}" ONLY_IF_DIFFERENT)
  file(REMOVE "${OUT_DIR}/${out}.tmp")
endforeach()
file(WRITE "${OUT_DIR}/msvc_exports.stamp" "${count}\n")
