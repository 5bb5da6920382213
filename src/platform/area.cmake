# The program's numbered string lists, menus, menu bars and window layouts
# are compiled from resources/*/N.txt.
file(GLOB kx_string_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/strings/*.txt
     ${PROJECT_SOURCE_DIR}/resources/menus/*.txt ${PROJECT_SOURCE_DIR}/resources/menubars/*.txt
     ${PROJECT_SOURCE_DIR}/resources/layouts/*.txt ${PROJECT_SOURCE_DIR}/resources/icons/*.txt)
set(kx_strings_cpp ${PROJECT_BINARY_DIR}/generated/kx_strings.cpp)
add_custom_command(
  OUTPUT ${kx_strings_cpp}
  COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/scripts/gen-resources.py
          --out ${kx_strings_cpp} ${kx_string_sources}
  DEPENDS ${PROJECT_SOURCE_DIR}/scripts/gen-resources.py ${kx_string_sources}
  COMMENT "Compiling resources")
target_sources(kx_platform PRIVATE ${kx_strings_cpp})

# Fonts: FreeType reads the font files, fontconfig lists the installed ones.
find_package(PkgConfig REQUIRED)
pkg_check_modules(KX_FONT_LIBS REQUIRED IMPORTED_TARGET freetype2 fontconfig)
target_link_libraries(kx_platform PUBLIC PkgConfig::KX_FONT_LIBS)

# The drawing port: cairo image surfaces as backing store, PDF surfaces for
# printing, FreeType outlines drawn through cairo.
pkg_check_modules(KX_DRAW_LIBS REQUIRED IMPORTED_TARGET cairo cairo-ft cairo-pdf)
target_link_libraries(kx_platform PUBLIC PkgConfig::KX_DRAW_LIBS)

# Glyph choice (composed forms, vertical forms) from the font files.
pkg_check_modules(KX_SHAPE_LIBS REQUIRED IMPORTED_TARGET harfbuzz)
target_link_libraries(kx_platform PUBLIC PkgConfig::KX_SHAPE_LIBS)
# The GTK 3 host (platform/gtk). Only that folder includes the toolkit's
# headers: the include paths stay private to this library, the link goes on.
pkg_check_modules(KX_GTK_LIBS REQUIRED IMPORTED_TARGET gtk+-3.0)
target_link_libraries(kx_platform PRIVATE PkgConfig::KX_GTK_LIBS)

# Japanese readings: MeCab with the IPA dictionary (platform/toolbox/japanese_analysis.cpp).
find_library(KX_MECAB_LIB mecab REQUIRED)
target_link_libraries(kx_platform PUBLIC ${KX_MECAB_LIB})

# Spelling: Hunspell and the dictionaries it finds (platform/toolbox/hunspell_speller.cpp).
pkg_check_modules(KX_SPELL_LIBS REQUIRED IMPORTED_TARGET hunspell)
target_link_libraries(kx_platform PRIVATE PkgConfig::KX_SPELL_LIBS)
