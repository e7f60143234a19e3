# The same Windows build for x86-64: its tests run under 64-bit Wine on machines that cannot
# execute 32-bit Linux programs (and so cannot start 32-bit Wine).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KESTREL_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
