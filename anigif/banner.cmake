# The banner's property set, assets/banner.props, compiled into a small
# library as a byte array, so the program needs no resource system for it.
# `anigif-tool props assets/banner.gif assets/banner.props` makes the file.
set(_banner_props ${PROJECT_SOURCE_DIR}/assets/banner.props)
set(_banner_cpp ${CMAKE_CURRENT_BINARY_DIR}/banner_property_set.cpp)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_banner_props})
file(READ ${_banner_props} _banner_hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," _banner_bytes "${_banner_hex}")
string(REPEAT "0x[0-9a-f][0-9a-f]," 16 _sixteen)
string(REGEX REPLACE "(${_sixteen})" "\\1\n    " _banner_bytes "${_banner_bytes}")
file(GENERATE OUTPUT ${_banner_cpp} CONTENT
"// Generated from assets/banner.props; do not edit.
#include \"anigif/banner_property_set.h\"

namespace veltrano::anigif {
namespace {
const uint8_t kBannerPropertySet[] = {
    ${_banner_bytes}
};
}  // namespace

std::span<const uint8_t> BannerPropertySet() { return kBannerPropertySet; }

}  // namespace veltrano::anigif
")
add_library(veltrano_anigif_banner STATIC ${_banner_cpp})
target_include_directories(veltrano_anigif_banner PUBLIC ${PROJECT_SOURCE_DIR})
