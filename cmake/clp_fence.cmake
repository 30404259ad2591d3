# Fails when a source outside the certified fast path includes a header of
# the floating-point engine (CLP, CoinUtils). The include roots already keep
# its folder from every other library; this catches the path through the
# system's include folder (<coin/...>).
#   cmake -DSOURCES=<file;...> -DSTAMP=<file> -P clp_fence.cmake
foreach(source ${SOURCES})
  file(STRINGS ${source} hits REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](coin/)?(Clp|Coin)")
  if(hits)
    message(FATAL_ERROR "${source} includes a CLP header; only src/lp/certified may: ${hits}")
  endif()
endforeach()
file(TOUCH ${STAMP})
