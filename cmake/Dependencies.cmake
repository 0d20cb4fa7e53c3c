# Finds the system libraries (Debian packages installed by scripts/install-deps.sh).
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
pkg_check_modules(CURL REQUIRED IMPORTED_TARGET libcurl)
pkg_check_modules(PCRE2 REQUIRED IMPORTED_TARGET libpcre2-8)
pkg_check_modules(ICU REQUIRED IMPORTED_TARGET icu-uc icu-i18n)
# Debian ships cpp-httplib compiled: its pkg-config flags switch on OpenSSL, zlib and brotli,
# which change the class layout, so every user must take them.
pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
find_package(OpenSSL REQUIRED)

if(KF_WITH_QT)
  find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Test)
endif()
if(KF_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
if(KF_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()
