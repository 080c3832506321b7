# A unit with one source per platform names them Posix*.cpp and Windows*.cpp; iconv is POSIX's.
# Keeps in the list variable VAR only the sources of the platform built for.
function(vlp_platform_sources var)
  if(WIN32)
    list(FILTER ${var} EXCLUDE REGEX "/(Posix[^/]*|IconvCodec)\\.cpp$")
  else()
    list(FILTER ${var} EXCLUDE REGEX "/Windows[^/]*\\.cpp$")
  endif()
  set(${var} ${${var}} PARENT_SCOPE)
endfunction()
