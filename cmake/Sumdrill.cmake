# Helpers shared by the folder CMakeLists files.

# sumdrill_library(<name> [DEPS <targets>...])
# One static library from every .cpp/.h/.qrc of the calling folder (sub-folders excluded): the
# folder is the library.
function(sumdrill_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h
       ${CMAKE_CURRENT_SOURCE_DIR}/*.qrc)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  set_property(GLOBAL APPEND PROPERTY SUMDRILL_LIBRARIES ${name})
endfunction()

# sumdrill_test(<folder> [LIBS <targets>...] [LOCK <resource>])
# One GoogleTest executable from tests/<folder>/*.cpp. Every case is a ctest entry of its own
# (named <folder>.<Suite>.<Case>), so a failure names its case and cases run in parallel; LOCK
# keeps the cases of executables that share a resource (the private print server) one at a time.
function(sumdrill_test folder)
  cmake_parse_arguments(ARG "" "LOCK" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp
       ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.h)
  if(NOT sources)
    return()
  endif()
  set(exe test_${folder})
  add_executable(${exe} ${sources})
  target_link_libraries(${exe} PRIVATE testmain ${ARG_LIBS} GTest::gtest GTest::gmock Qt6::Test)
  target_compile_definitions(${exe} PRIVATE
    SUMDRILL_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/${folder}/data")
  set(lock "")
  if(ARG_LOCK)
    set(lock RESOURCE_LOCK ${ARG_LOCK})
  endif()
  gtest_discover_tests(${exe} TEST_PREFIX "${folder}." EXTRA_ARGS --gtest_color=no
                       DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 NO_PRETTY_VALUES
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" ${lock})
endfunction()
