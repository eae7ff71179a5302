# Fails when a file outside src/platform includes an OS or CUPS header, or when a file outside
# src/ui, src/app, tests and bench includes Qt.
set(os_headers "cups/|unistd\\.h|fcntl\\.h|sys/|windows\\.h|winspool\\.h|iconv\\.h|pthread\\.h|netinet/|arpa/|dirent\\.h|signal\\.h|termios\\.h|pwd\\.h|poll\\.h")
file(GLOB_RECURSE sources "${SOURCE_DIR}/src/*.cpp" "${SOURCE_DIR}/src/*.h"
     "${SOURCE_DIR}/tests/*.cpp" "${SOURCE_DIR}/tests/*.h"
     "${SOURCE_DIR}/bench/*.cpp" "${SOURCE_DIR}/fuzz/*.cpp")
set(failures "")
foreach(file IN LISTS sources)
    file(RELATIVE_PATH rel "${SOURCE_DIR}" "${file}")
    file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS includes)
        if(NOT rel MATCHES "^src/platform/" AND line MATCHES "[<\"](${os_headers})")
            list(APPEND failures "${rel}: ${line}")
        endif()
        if(NOT rel MATCHES "^(src/ui|src/app|tests|bench)/" AND line MATCHES "[<\"]Q[A-Za-z]+")
            list(APPEND failures "${rel}: ${line}")
        endif()
    endforeach()
endforeach()
if(failures)
    list(JOIN failures "\n" text)
    message(FATAL_ERROR "Layering broken:\n${text}")
endif()
message(STATUS "Layering: ${CMAKE_CURRENT_LIST_FILE} checked")
