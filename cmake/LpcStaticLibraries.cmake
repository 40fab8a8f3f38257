# The authoring tool's libraries in a cross build for Windows: static libraries found in the
# prefixes of CMAKE_PREFIX_PATH (scripts/build-windows builds them there), as imported targets
# named lpc_static::<name>, and the header-only CLI11 and nlohmann_json as the targets their own
# packages would give.
function(lpc_static_library name header)
  find_path(LPC_${name}_INCLUDE ${header} REQUIRED)
  find_library(LPC_${name}_LIBRARY NAMES lib${name}.a ${name} REQUIRED)
  add_library(lpc_static::${name} STATIC IMPORTED GLOBAL)
  set_target_properties(lpc_static::${name} PROPERTIES
    IMPORTED_LOCATION ${LPC_${name}_LIBRARY}
    INTERFACE_INCLUDE_DIRECTORIES ${LPC_${name}_INCLUDE})
endfunction()

lpc_static_library(imagequant libimagequant.h)
lpc_static_library(exif libexif/exif-data.h)
lpc_static_library(turbojpeg turbojpeg.h)
lpc_static_library(webp webp/decode.h)

find_path(LPC_CLI11_INCLUDE CLI/CLI.hpp REQUIRED)
add_library(CLI11::CLI11 INTERFACE IMPORTED GLOBAL)
set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${LPC_CLI11_INCLUDE})
find_path(LPC_JSON_INCLUDE nlohmann/json.hpp REQUIRED)
add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
  INTERFACE_INCLUDE_DIRECTORIES ${LPC_JSON_INCLUDE})
