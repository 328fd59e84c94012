# Apache's and APR's include paths, asked of the Apache installation that the
# module is built for. Point MORVANE_APXS at another apxs to build for another
# Apache (2.2 or 2.4); the apr-1-config and apu-1-config that apxs names are used
# when it names them, so the APR headers always match that Apache.
set(MORVANE_APXS "apxs" CACHE FILEPATH "apxs of the Apache to build the module for")

function(morvane_query_tool out)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE value RESULT_VARIABLE rc
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT rc EQUAL 0)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "Could not run '${command}' (exit ${rc}); is Apache's development package installed?")
  endif()
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

function(morvane_apxs_or_default out variable fallback)
  execute_process(COMMAND ${MORVANE_APXS} -q ${variable} OUTPUT_VARIABLE value
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(value AND EXISTS "${value}")
    set(${out} "${value}" PARENT_SCOPE)
  else()
    set(${out} "${fallback}" PARENT_SCOPE)
  endif()
endfunction()

morvane_query_tool(APACHE_INCLUDEDIR ${MORVANE_APXS} -q INCLUDEDIR)
morvane_query_tool(APACHE_LIBEXECDIR ${MORVANE_APXS} -q LIBEXECDIR)
morvane_apxs_or_default(MORVANE_APR_CONFIG APR_CONFIG apr-1-config)
morvane_apxs_or_default(MORVANE_APU_CONFIG APU_CONFIG apu-1-config)
morvane_query_tool(APR_INCLUDES ${MORVANE_APR_CONFIG} --includes)
morvane_query_tool(APU_INCLUDES ${MORVANE_APU_CONFIG} --includes)
morvane_query_tool(APR_CPPFLAGS ${MORVANE_APR_CONFIG} --cppflags)
morvane_query_tool(APR_LINK ${MORVANE_APR_CONFIG} --link-ld)

# "-I/a -I/b" into a list of directories
function(morvane_include_dirs out flags)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  set(dirs)
  foreach(flag IN LISTS flags)
    string(REGEX REPLACE "^-I" "" dir "${flag}")
    list(APPEND dirs "${dir}")
  endforeach()
  set(${out} ${dirs} PARENT_SCOPE)
endfunction()
morvane_include_dirs(apr_dirs "${APR_INCLUDES} ${APU_INCLUDES}")
separate_arguments(apr_defines UNIX_COMMAND "${APR_CPPFLAGS}")
list(FILTER apr_defines INCLUDE REGEX "^-D")

# The headers a module is compiled against. Apache's own symbols are resolved by
# the server when it loads the module, so nothing is linked.
add_library(morvane_apache_headers INTERFACE)
target_include_directories(morvane_apache_headers SYSTEM INTERFACE "${APACHE_INCLUDEDIR}" ${apr_dirs})
target_compile_options(morvane_apache_headers INTERFACE ${apr_defines})

# APR itself, for tests that create real pools and cmd_parms outside a server.
separate_arguments(apr_link UNIX_COMMAND "${APR_LINK}")
add_library(morvane_apr_runtime INTERFACE)
target_link_libraries(morvane_apr_runtime INTERFACE morvane_apache_headers ${apr_link})

message(STATUS "Apache headers: ${APACHE_INCLUDEDIR} (modules go to ${APACHE_LIBEXECDIR})")

# Where "cmake --install" puts the module: Apache's own module directory. On
# Debian's layout it also adds mods-available/morvane.load and morvane.conf,
# so that "a2enmod morvane" works.
execute_process(COMMAND ${MORVANE_APXS} -q SYSCONFDIR OUTPUT_VARIABLE apache_sysconfdir
                OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
set(mods_available_default "")
if(apache_sysconfdir AND EXISTS "${apache_sysconfdir}/mods-available")
  set(mods_available_default "${apache_sysconfdir}/mods-available")
endif()
set(MORVANE_MODS_AVAILABLE "${mods_available_default}" CACHE PATH
    "Debian-style mods-available directory for morvane.load and morvane.conf (empty: none)")
