# Compile settings shared by every target of the project: link kf_settings.
add_library(kf_settings INTERFACE)
target_compile_features(kf_settings INTERFACE cxx_std_20)
target_compile_options(kf_settings INTERFACE -Wall -Wextra)
if(KF_WERROR)
  target_compile_options(kf_settings INTERFACE -Werror)
endif()

if(KF_SANITIZE STREQUAL "address")
  set(kf_san_flags -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
elseif(KF_SANITIZE STREQUAL "thread")
  set(kf_san_flags -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT KF_SANITIZE STREQUAL "")
  message(FATAL_ERROR "KF_SANITIZE must be empty, 'address' or 'thread'")
endif()
if(kf_san_flags)
  add_compile_options(${kf_san_flags})
  add_link_options(${kf_san_flags})
endif()

# Fuzz builds (clang only): every library is instrumented for coverage and checked by ASan and
# UBSan; the fuzz targets add the libFuzzer driver when they link.
if(KF_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "KF_FUZZ needs clang: configure with CC=clang CXX=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Adds every sub-folder of the current source folder that has a CMakeLists.txt, so a layer's
# tests or benchmarks come in by adding their folder.
function(kf_add_child_folders)
  file(GLOB children LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(child IN LISTS children)
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# kf_add_gtest(name SOURCES ... LIBS ... [QT] [NO_MAIN]): a GoogleTest program registered with CTest.
# Every test runs on Qt's offscreen platform, so window suites need no display; KF_TEST_SOURCE_DIR
# names the source tree for fixtures; QT marks window suites. A test that needs other environment
# sets it itself.
function(kf_add_gtest name)
  cmake_parse_arguments(arg "NO_MAIN;QT" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${arg_SOURCES})
  target_link_libraries(${name} PRIVATE kf_settings ${arg_LIBS} GTest::gtest GTest::gmock)
  target_compile_definitions(${name} PRIVATE KF_TEST_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  if(NOT arg_NO_MAIN)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
