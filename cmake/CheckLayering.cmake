# The layering of the sources, checked on every test run:
#   cmake -DSOURCE_DIR=<tree> -P CheckLayering.cmake
# - a library of src/ includes only itself and the layers below it:
#   app -> ui -> operator -> serials -> protocol -> transport -> platform;
# - only src/platform (and the tests' own platform code in tests/support) includes OS, CUPS or
#   database headers;
# - only src/ui, src/app, tests and bench include Qt.
set(os_headers "cups/|unistd\\.h|fcntl\\.h|sys/|windows\\.h|winspool\\.h|iconv\\.h|pthread\\.h|netinet/|arpa/|dirent\\.h|signal\\.h|termios\\.h|pwd\\.h|poll\\.h|sqlite3\\.h|libpq-fe\\.h")
set(layers platform transport protocol serials operator ui app)

file(GLOB_RECURSE sources "${SOURCE_DIR}/src/*.cpp" "${SOURCE_DIR}/src/*.h"
     "${SOURCE_DIR}/tests/*.cpp" "${SOURCE_DIR}/tests/*.h"
     "${SOURCE_DIR}/bench/*.cpp" "${SOURCE_DIR}/fuzz/*.cpp")
set(failures "")
foreach(file IN LISTS sources)
    file(RELATIVE_PATH rel "${SOURCE_DIR}" "${file}")
    file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include")
    # The layers this file may include: its own and those below it.
    set(allowed "")
    if(rel MATCHES "^src/([a-z]+)/")
        list(FIND layers "${CMAKE_MATCH_1}" own)
        if(own GREATER_EQUAL 0)
            list(SUBLIST layers 0 ${own} allowed)
            list(APPEND allowed "${CMAKE_MATCH_1}")
        endif()
    endif()
    foreach(line IN LISTS includes)
        # The Win32 window may include the Windows API, as the Qt window includes Qt.
        if(rel MATCHES "^src/ui/win32/" AND line MATCHES "[<\"](windows|commctrl|commdlg)\\.h")
            continue()
        endif()
        if(NOT rel MATCHES "^(src/platform|tests/support)/" AND line MATCHES "[<\"](${os_headers})")
            list(APPEND failures "${rel}: ${line} (an OS header outside the platform layer)")
        endif()
        if(NOT rel MATCHES "^(src/ui|src/app|tests|bench)/" AND line MATCHES "[<\"]Q[A-Za-z]+")
            list(APPEND failures "${rel}: ${line} (Qt outside the window)")
        endif()
        if(rel MATCHES "^src/" AND line MATCHES "\"([a-z]+)/[^\"]*\"")
            set(layer "${CMAKE_MATCH_1}")
            list(FIND layers "${layer}" known)
            list(FIND allowed "${layer}" ok)
            if(known GREATER_EQUAL 0 AND ok LESS 0)
                list(APPEND failures "${rel}: ${line} (an upward include of ${layer}/)")
            endif()
        endif()
    endforeach()
endforeach()
if(failures)
    foreach(failure IN LISTS failures)
        message(STATUS "Layering broken: ${failure}")
    endforeach()
    list(LENGTH failures count)
    message(FATAL_ERROR "Layering broken in ${count} place(s)")
endif()
message(STATUS "Layering: ${SOURCE_DIR} checked")
