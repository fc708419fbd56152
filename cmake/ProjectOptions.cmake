# Compiler settings shared by every target of the project.

if(QUOLT_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

# Warnings as errors on our own code only; third-party headers come in as SYSTEM.
function(quolt_target_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# A library for one source folder: every .cpp in it (header-only folders give
# an interface library), includes from src/, linked to the libraries that follow.
function(quolt_folder_library target folder)
  file(GLOB sources CONFIGURE_DEPENDS "${folder}/*.cpp")
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${target} PUBLIC ${ARGN})
    quolt_target_warnings(${target})
  else()
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${target} INTERFACE ${ARGN})
  endif()
endfunction()

# A GoogleTest executable built from every .cpp of a test folder.
function(quolt_test_executable target folder)
  file(GLOB sources CONFIGURE_DEPENDS "${folder}/*.cpp")
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main)
  quolt_target_warnings(${target})
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600)
endfunction()
