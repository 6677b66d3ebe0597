# Host build: the logic over the simulated Windows, with the unit tests.
option(TAVIO_SANITIZE "AddressSanitizer and UndefinedBehaviorSanitizer" ON)
if(TAVIO_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
add_compile_options(-Wall -Wextra -Wno-unused-parameter)

file(GLOB TAVIO_SIM_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/platform/sim/*.cpp)
add_library(tavio_sim STATIC ${TAVIO_SIM_SOURCES})
# The logic sees the simulation only through its Win32 declarations (sim/api). The folder of
# sim.h, with which tests and tools set the machine up and read it, is private: they get it
# by linking tavio_sim_setup, so the logic cannot include sim.h and still build.
target_include_directories(tavio_sim PUBLIC ${CMAKE_SOURCE_DIR}/src/platform/sim/api
                           PRIVATE ${CMAKE_SOURCE_DIR}/src/platform/sim)
add_library(tavio_sim_setup INTERFACE)
target_include_directories(tavio_sim_setup INTERFACE ${CMAKE_SOURCE_DIR}/src/platform/sim)
target_link_libraries(tavio_sim_setup INTERFACE tavio_sim)

add_library(tavio_logic STATIC ${TAVIO_LOGIC_SOURCES})
target_include_directories(tavio_logic PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(tavio_logic PUBLIC tavio_sim)

# The reset of the launcher's process-wide state, for whatever runs many launcher processes in
# one: the unit tests, the fuzz targets and the kit.
add_library(tavio_launcher_state STATIC ${CMAKE_SOURCE_DIR}/tools/state/launcher_state.cpp)
target_include_directories(tavio_launcher_state PUBLIC ${CMAKE_SOURCE_DIR}/tools/state)
target_link_libraries(tavio_launcher_state PUBLIC tavio_logic)

enable_testing()
add_subdirectory(tests/unit)

# The settings reference, generated from the catalogues; scripts/test fails when docs/settings.md differs.
add_executable(settings_reference ${CMAKE_SOURCE_DIR}/tools/settings_reference.cpp)
target_link_libraries(settings_reference PRIVATE tavio_logic)

# libFuzzer targets (the fuzz preset builds with clang).
option(TAVIO_FUZZ "Build the libFuzzer targets" OFF)
if(TAVIO_FUZZ AND EXISTS ${CMAKE_SOURCE_DIR}/tests/fuzz/CMakeLists.txt)
  add_subdirectory(tests/fuzz)
endif()

# The simulation's half of the differential suite against Wine (scripts/fidelity).
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/fidelity/CMakeLists.txt)
  add_subdirectory(tests/fidelity)
endif()

# tavio-disc, the disc author's kit.
add_subdirectory(tools/disc)
