/* GMime's config.h for x86_64-w64-mingw32 (what its configure would find there). */
#define GMIME_VERSION "3.2.13"
#define PACKAGE_NAME "gmime"
#define PACKAGE_VERSION "3.2.13"
#define HAVE_GETADDRINFO 1
#define HAVE_GETHOSTNAME 1
#define HAVE_ICONV 1
#define HAVE_LOCALTIME 1
#define HAVE_STDLIB_H 1
#define HAVE_STRING_H 1
#define HAVE_STRFTIME 1
#define HAVE_SYS_STAT_H 1
#define HAVE_SYS_TYPES_H 1
#define HAVE_TIME_H 1
#define HAVE_UNISTD_H 1
#define HAVE_WINSOCK2_H 1
#define HAVE_ZLIB_H 1
#define HAVE__TIMEZONE 1
#define ICONV_CONST
#define STDC_HEADERS 1
#define SIZEOF_SIZE_T 8
#define SIZEOF_SSIZE_T 8
#define SIZEOF_OFF_T 4
