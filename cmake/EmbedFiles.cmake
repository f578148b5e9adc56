# wayfarer_embed_files(<target> NAMESPACE <ns> BASE_DIR <dir> FILES <file>...)
#
# Builds a static library <target> that carries the files inside the binary, so that
# programs find them from the build tree and after install alike. Its header
# <target>.h declares
#
#   std::optional<std::string_view> wayfarer::embedded::<ns>::find(std::string_view path);
#
# where path is the file's path relative to BASE_DIR. Every file is followed by
# 64 zero bytes and starts 64-byte aligned, so parsers that read ahead in blocks
# (simdjson) can work on the bytes in place.
function(wayfarer_embed_files target)
  cmake_parse_arguments(ARG "" "NAMESPACE;BASE_DIR" "FILES" ${ARGN})
  set(gen_dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_embedded)
  set(header "#pragma once\n#include <optional>\n#include <string_view>\n\n")
  string(APPEND header "namespace wayfarer::embedded::${ARG_NAMESPACE} {\n")
  string(APPEND header "// The bytes of an embedded file, or nothing when no file has that path.\n")
  string(APPEND header "std::optional<std::string_view> find(std::string_view path);\n}\n")
  file(GENERATE OUTPUT ${gen_dir}/${target}.h CONTENT "${header}")

  set(asm "")
  set(table "")
  set(index 0)
  foreach(file IN LISTS ARG_FILES)
    get_filename_component(abs ${file} ABSOLUTE BASE_DIR ${ARG_BASE_DIR})
    file(RELATIVE_PATH rel ${ARG_BASE_DIR} ${abs})
    set(sym "wayfarer_embedded_${ARG_NAMESPACE}_${index}")
    string(APPEND asm "    \".balign 64\\n${sym}_begin:\\n.incbin \\\"${abs}\\\"\\n${sym}_end:\\n.fill 64, 1, 0\\n\"\n")
    string(APPEND table "extern \"C\" const char ${sym}_begin[];\nextern \"C\" const char ${sym}_end[];\n")
    list(APPEND entries "{\"${rel}\", ${sym}_begin, ${sym}_end}")
    math(EXPR index "${index} + 1")
  endforeach()
  list(JOIN entries ",\n    " entries_text)
  set(source "#include \"${target}.h\"\n#include <array>\n\n")
  string(APPEND source "__asm__(\".section .rodata\\n\"\n${asm}    \".previous\\n\");\n\n${table}\n")
  string(APPEND source "namespace wayfarer::embedded::${ARG_NAMESPACE} {\nnamespace {\n")
  string(APPEND source "struct Entry { std::string_view path; const char* begin; const char* end; };\n")
  string(APPEND source "const std::array<Entry, ${index}> entries{{\n    ${entries_text}\n}};\n}\n\n")
  string(APPEND source "std::optional<std::string_view> find(std::string_view path) {\n")
  string(APPEND source "    for (const auto& entry : entries)\n")
  string(APPEND source "        if (entry.path == path)\n")
  string(APPEND source "            return std::string_view(entry.begin, static_cast<std::size_t>(entry.end - entry.begin));\n")
  string(APPEND source "    return std::nullopt;\n}\n}\n")
  file(GENERATE OUTPUT ${gen_dir}/${target}.cpp CONTENT "${source}")

  add_library(${target} STATIC ${gen_dir}/${target}.cpp)
  target_include_directories(${target} PUBLIC ${gen_dir})
  set(deps "")
  foreach(file IN LISTS ARG_FILES)
    get_filename_component(abs ${file} ABSOLUTE BASE_DIR ${ARG_BASE_DIR})
    list(APPEND deps ${abs})
  endforeach()
  set_source_files_properties(${gen_dir}/${target}.cpp PROPERTIES OBJECT_DEPENDS "${deps}")
endfunction()
