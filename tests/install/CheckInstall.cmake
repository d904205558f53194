# Installs the build into a scratch folder and checks that a desktop gets what it needs.
#   cmake -DBUILD_DIR=... -DSCRATCH=... -P CheckInstall.cmake
file(REMOVE_RECURSE ${SCRATCH})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${SCRATCH}
                        ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
set(root ${SCRATCH}/usr)
set(expected
    bin/tarnel-remote bin/strobe-sim
    share/applications/org.tarnel.RemoteControl.desktop
    share/metainfo/org.tarnel.RemoteControl.metainfo.xml
    share/icons/hicolor/scalable/apps/org.tarnel.RemoteControl.svg
    lib/udev/rules.d/70-tarnel-remote.rules
    share/doc/tarnel-remote/copyright share/doc/tarnel-remote/changelog.Debian.gz
    share/man/man1/tarnel-remote.1.gz share/man/man1/strobe-sim.1.gz
    bin/tarnelctl share/man/man1/tarnelctl.1.gz share/tarnel-remote/gphoto2-hook
    share/bash-completion/completions/tarnel-remote
    share/bash-completion/completions/strobe-sim
    share/bash-completion/completions/tarnelctl)
foreach(size 16 24 32 48 64 128 256)
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/org.tarnel.RemoteControl.png)
endforeach()
foreach(f ${expected})
  if(NOT EXISTS ${root}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
# The rule grants the seat's user access by vendor and product id, and nothing broader.
file(STRINGS ${root}/lib/udev/rules.d/70-tarnel-remote.rules grants REGEX "uaccess")
foreach(line ${grants})
  if(NOT line MATCHES "^ATTRS{idVendor}==\"[0-9a-f]+\", ATTRS{idProduct}==\"[0-9a-f]+\", TAG\\+=\"uaccess\"$")
    message(FATAL_ERROR "a grant not tied to one chip: ${line}")
  endif()
endforeach()
# The manual pages read without a warning.
find_program(MAN man)
if(MAN)
  foreach(page tarnel-remote strobe-sim tarnelctl)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env MANROFFSEQ= MANWIDTH=80
                            ${MAN} --warnings -l ${root}/share/man/man1/${page}.1.gz
                    RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE warnings)
    if(NOT result EQUAL 0 OR NOT warnings STREQUAL "")
      message(FATAL_ERROR "man refuses ${page}.1: ${warnings}")
    endif()
  endforeach()
endif()
find_program(DESKTOP_VALIDATE desktop-file-validate)
if(DESKTOP_VALIDATE)
  execute_process(COMMAND ${DESKTOP_VALIDATE} ${root}/share/applications/org.tarnel.RemoteControl.desktop
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "desktop-file-validate refuses the desktop entry")
  endif()
endif()
find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
  execute_process(COMMAND ${APPSTREAMCLI} validate --no-net
                          ${root}/share/metainfo/org.tarnel.RemoteControl.metainfo.xml
                  RESULT_VARIABLE result OUTPUT_QUIET)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "appstreamcli refuses the metadata")
  endif()
endif()
file(REMOVE_RECURSE ${SCRATCH})
message(STATUS "installed: ${expected}")
