# Product build: AUTOPLAY.EXE, a small static PE32 GUI program that needs only Windows' own DLLs.
enable_language(RC)

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
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  list(APPEND TAVIO_PRODUCT_FLAGS -mpreferred-stack-boundary=2)
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
