# One GoogleTest suite per unit: <folder>/tests/<Unit>Test.cpp becomes the executable <Unit>Test,
# linked to the library it tests. A library's own suites may reach its private headers.
function(vlp_add_test_suites library)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*Test.cpp)
  foreach(source ${sources})
    get_filename_component(suite ${source} NAME_WE)
    add_executable(${suite} ${source})
    target_link_libraries(${suite} PRIVATE ${library} vtestsupport GTest::gtest GTest::gtest_main
                                           GTest::gmock)
    target_include_directories(${suite} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/..)
    if(CMAKE_CROSSCOMPILING)
      # One emulator start per suite rather than per case.
      add_test(NAME ${suite} COMMAND ${suite})
    else()
      gtest_discover_tests(${suite} DISCOVERY_TIMEOUT 60)
    endif()
  endforeach()
endfunction()
