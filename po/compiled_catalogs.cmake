# Writes OUTPUT, a C++ table of the compiled catalogs (.mo) of LANGUAGES
# under CATALOG_DIR, for messages/compiled_catalog.h.
set(arrays "")
set(entries "")
foreach(language ${LANGUAGES})
  file(READ ${CATALOG_DIR}/${language}/LC_MESSAGES/tessaly-retime.mo hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n    " bytes "${bytes}")
  string(APPEND arrays "const unsigned char k_${language}[] = {\n    ${bytes}};\n")
  string(APPEND entries "    {\"${language}\", k_${language}, sizeof k_${language}},\n")
endforeach()
file(WRITE ${OUTPUT}.new "// Generated from po/ at build time: do not edit.
#include \"messages/compiled_catalog.h\"

namespace messages {
namespace {

${arrays}
const CompiledCatalogBytes kCatalogs[] = {
${entries}};

}  // namespace

std::span<const CompiledCatalogBytes> compiledCatalogs() { return kCatalogs; }

}  // namespace messages
")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
