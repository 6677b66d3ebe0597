# Product build: AUTOPLAY.EXE, a small static PE32 GUI program that needs only Windows' own DLLs.
enable_language(RC)

# The PE header's time stamp would make every build's bytes differ: it stays 0.
add_link_options(-Wl,--no-insert-timestamp)
configure_file(${CMAKE_SOURCE_DIR}/resources/autoplay.manifest.in ${TAVIO_GENERATED}/autoplay.manifest @ONLY)

# No -fdata-sections: with it this compiler puts zero-initialised state in .data, on disk.
# No -ffunction-sections either: whole-program optimisation leaves the linker nothing to
# collect, and a section per function pads each to 4 bytes (some 60 bytes in all).
set(TAVIO_PRODUCT_FLAGS -Oz -fomit-frame-pointer -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
    -fno-unwind-tables
    -fno-threadsafe-statics -fno-stack-protector -Wall -Wextra
    -Wno-unused-parameter -Wno-cast-function-type
    # Whole-program optimisation at the product's link: some 1.5 KB smaller. Fat objects keep
    # ordinary code beside the LTO data, so the Wine test programs link the logic as usual.
    -flto -ffat-lto-objects)

# Windows keeps 32-bit stacks 4-byte aligned only; asking for more costs code in every function.
# Arguments pushed rather than stored into a frame reserved up front: a fifth of the code.
# The compiler reserves frames that way only where it probes the stack, which a frame larger
# than the 4 KB guard page needs; no frame of the product is that large, and the build fails
# should one become so.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  list(APPEND TAVIO_PRODUCT_FLAGS -mpreferred-stack-boundary=2 -mno-stack-arg-probe -mno-accumulate-outgoing-args
       -Werror=frame-larger-than=3584)
endif()

file(GLOB TAVIO_WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/win32/*.cpp)

# The logic as a library, so that the Wine test programs can link it too.
add_library(tavio_logic STATIC ${TAVIO_LOGIC_SOURCES})
target_include_directories(tavio_logic PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/src/platform/win32 ${CMAKE_SOURCE_DIR}/src/platform)
target_compile_options(tavio_logic PRIVATE ${TAVIO_PRODUCT_FLAGS})

add_executable(autoplay WIN32 ${TAVIO_WIN32_SOURCES} ${CMAKE_SOURCE_DIR}/resources/launcher.rc)
set_target_properties(autoplay PROPERTIES OUTPUT_NAME AUTOPLAY SUFFIX .EXE)
target_compile_options(autoplay PRIVATE ${TAVIO_PRODUCT_FLAGS})
target_include_directories(autoplay PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/src/platform/win32 ${CMAKE_SOURCE_DIR}/src/platform)
# No C runtime start-up code: the entry point is our own (src/platform/win32/entry.cpp);
# msvcrt.dll initialises itself when loaded. Nothing needs constructors to run.
# The entry symbol carries the stdcall decoration only in 32-bit code.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TAVIO_ENTRY TavioEntry)
else()
  set(TAVIO_ENTRY _TavioEntry@0)
endif()
target_link_options(autoplay PRIVATE ${TAVIO_PRODUCT_FLAGS} -nostartfiles -nostdlib -Wl,-e,${TAVIO_ENTRY} -Wl,--gc-sections -s
    -Wl,--enable-stdcall-fixup -Wl,--no-seh -Wl,--disable-dynamicbase -Wl,--disable-reloc-section -Wl,--file-alignment,512 -Wl,--section-alignment,4096
    -Wl,-Map,${CMAKE_BINARY_DIR}/AUTOPLAY.map)
target_link_libraries(autoplay PRIVATE tavio_logic kernel32 user32 gdi32 advapi32 msvcrt gcc)
# The linker's DOS stub pushes the PE32 headers past one 512-byte block; moved behind a stub
# in the DOS header itself, they fit one (tools/pe/compact_headers.py).
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # The read-only data inside the import section: one section fewer to pad to a 512-byte block.
  target_link_options(autoplay PRIVATE -Wl,-T,${CMAKE_SOURCE_DIR}/cmake/autoplay-pe32.ld)
  set_property(TARGET autoplay APPEND PROPERTY LINK_DEPENDS ${CMAKE_SOURCE_DIR}/cmake/autoplay-pe32.ld)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  add_custom_command(TARGET autoplay POST_BUILD
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/pe/compact_headers.py $<TARGET_FILE:autoplay>
    VERBATIM)
endif()

if(EXISTS ${CMAKE_SOURCE_DIR}/tests/e2e/CMakeLists.txt)
  add_subdirectory(tests/e2e)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/examples/CMakeLists.txt)
  add_subdirectory(examples)
endif()
add_subdirectory(tools/bench)
# TAVIODSK.EXE, the disc author's kit as a Windows console program (the logic over the simulation).
add_subdirectory(tools/disc)
# Wine's half of the differential suite against the simulated Windows (scripts/fidelity).
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/fidelity/CMakeLists.txt)
  add_subdirectory(tests/fidelity)
endif()
