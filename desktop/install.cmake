# make install and make package: what is installed where, and the Debian
# package made of it. Included by the top CMakeLists.txt.
#
# Both programs go to games/ and their data to share/quillmoor/: the game
# finds its data from its own folder (../share/quillmoor, in
# platform/sdl/sdl_launch.cpp), so the same tree works under any prefix.

# Installing and packaging take what is built: the Makefile's install and
# package build the target `installable` first, and a package test must not
# rebuild every test.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
# Folders made on the way are 0755 whatever the builder's umask.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

# Packages of this game were once numbered 1.0.0, which sorts after 1.00:
# the epoch lets 1.00 and later replace them. The changelog's top entry
# carries the whole version.
set(CPACK_DEBIAN_PACKAGE_EPOCH 1)
set(QM_DEB_VERSION ${CPACK_DEBIAN_PACKAGE_EPOCH}:${PROJECT_VERSION})
set(QM_DESKTOP ${CMAKE_SOURCE_DIR}/desktop)
set(QM_DESKTOP_OUT ${CMAKE_BINARY_DIR}/desktop)
configure_file(${QM_DESKTOP}/changelog.in ${QM_DESKTOP_OUT}/changelog @ONLY)
# The manual pages and the changelog, compressed as Debian wants them (-n: no
# name or time stamp in the header, so the bytes depend on the text alone).
set(QM_COMPRESSED "")
foreach(f ${QM_DESKTOP}/quillmoor.6 ${QM_DESKTOP}/quillmoor-sim.6 ${QM_DESKTOP_OUT}/changelog)
  get_filename_component(name ${f} NAME)
  add_custom_command(OUTPUT ${QM_DESKTOP_OUT}/${name}.gz
                     COMMAND gzip -9n -c ${f} > ${QM_DESKTOP_OUT}/${name}.gz
                     DEPENDS ${f} VERBATIM)
  list(APPEND QM_COMPRESSED ${QM_DESKTOP_OUT}/${name}.gz)
endforeach()
add_custom_target(installable DEPENDS quillmoor quillmoor-sim ${QM_COMPRESSED})

install(TARGETS quillmoor quillmoor-sim RUNTIME DESTINATION games)
# What is installed binds every symbol at start and then makes its tables
# read-only, as Debian's own packages do.
foreach(t quillmoor quillmoor-sim)
  target_link_options(${t} PRIVATE LINKER:-z,relro,-z,now)
endforeach()
install(DIRECTORY image bgm DESTINATION share/quillmoor)
install(FILES desktop/quillmoor.desktop DESTINATION share/applications)
foreach(size 32 64 128)
  install(FILES desktop/quillmoor-${size}.png RENAME quillmoor.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${QM_DESKTOP_OUT}/quillmoor.6.gz ${QM_DESKTOP_OUT}/quillmoor-sim.6.gz
        DESTINATION share/man/man6)
install(FILES desktop/copyright ${QM_DESKTOP_OUT}/changelog.gz DESTINATION share/doc/quillmoor)

# make package: the same tree under /usr as a Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmoor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small vertical shoot-'em-up: graze the bullets, fill the rage gauge")
set(CPACK_PACKAGE_DESCRIPTION
    "Quillmoor is a small single-player vertical shoot-'em-up. You fly a ship at
the bottom of a scrolling playfield, shoot the enemies that come in from
above, and score by grazing their bullets: letting them pass close without
touching you. Ten grazes fill the rage gauge, whose burst damages every enemy
and clears every bullet. Destroy 255 enemies and the boss comes in.

Every game is recorded. The package also holds quillmoor-sim, the same game
run headless on a simulated clock, which checks a recording frame for frame
so that a score can be proven.")
set(CPACK_PACKAGE_CONTACT "Quillmoor maintainers <maintainers@users.noreply.c-seed-a38d5fea.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Named as Debian names its files: without the epoch (no colon in the name).
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE QM_DEB_ARCH
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(QM_DEB_ARCH)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${QM_DEB_ARCH})
  set(CPACK_DEBIAN_FILE_NAME quillmoor_${PROJECT_VERSION}_${QM_DEB_ARCH}.deb)
endif()
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# The libraries the programs link are found by dpkg-shlibdeps; what they read
# at run time, which no library links, is named here: the General MIDI sound
# font and the two Japanese faces.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "timgm6mb-soundfont, fonts-ipafont-mincho, fonts-ipafont-gothic")
include(CPack)
