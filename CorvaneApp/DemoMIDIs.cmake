# The application's resource folder "Brelmo_CorvaneApp.bundle". The demo pieces
# are note lists in demos/; a host tool writes them into its "DemoMIDIs" folder
# at build time, so no MIDI file is ever part of the sources.
set(BRELMO_APP_BUNDLE_NAME Brelmo_CorvaneApp.bundle CACHE INTERNAL "")
set(BRELMO_APP_BUILD_BUNDLE ${CMAKE_CURRENT_BINARY_DIR}/${BRELMO_APP_BUNDLE_NAME} CACHE INTERNAL "")

# The same names as the catalog's resource names; the tool refuses any other list.
set(brelmo_demo_names OdeToJoy AhVousDiraiJe MinuetInG Greensleeves FurElise)

file(GLOB brelmo_demo_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/demos/*.cpp
     ${CMAKE_CURRENT_SOURCE_DIR}/demos/*.hpp)
add_executable(DemoMIDIWriter ${brelmo_demo_sources})
set_target_properties(DemoMIDIWriter PROPERTIES AUTOMOC OFF)
target_include_directories(DemoMIDIWriter PRIVATE ${PROJECT_SOURCE_DIR})

set(brelmo_demo_files "")
foreach(name IN LISTS brelmo_demo_names)
  list(APPEND brelmo_demo_files ${BRELMO_APP_BUILD_BUNDLE}/DemoMIDIs/${name}.mid)
endforeach()
add_custom_command(
  OUTPUT ${brelmo_demo_files}
  COMMAND DemoMIDIWriter ${BRELMO_APP_BUILD_BUNDLE}/DemoMIDIs ${brelmo_demo_names}
  DEPENDS DemoMIDIWriter
  COMMENT "Writing the demo pieces into ${BRELMO_APP_BUNDLE_NAME}")

# The wooden trim's images are drawn by a small program of ours at build time;
# no image is kept in the sources.
add_executable(brelmo_generate_wood_images ${CMAKE_CURRENT_SOURCE_DIR}/resources/GenerateWoodImages.cpp)
set_target_properties(brelmo_generate_wood_images PROPERTIES AUTOMOC OFF)
target_link_libraries(brelmo_generate_wood_images PRIVATE Qt6::Gui)
set(brelmo_wood_images "")
foreach(name wood1 wood2 wood3 wood-horizontal-piano)
  list(APPEND brelmo_wood_images ${BRELMO_APP_BUILD_BUNDLE}/${name}.png)
endforeach()
add_custom_command(
  OUTPUT ${brelmo_wood_images}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${BRELMO_APP_BUILD_BUNDLE}
  COMMAND brelmo_generate_wood_images ${BRELMO_APP_BUILD_BUNDLE}
  DEPENDS brelmo_generate_wood_images
  COMMENT "Drawing the wood images into ${BRELMO_APP_BUNDLE_NAME}")
add_custom_target(CorvaneAppBundle DEPENDS ${brelmo_demo_files} ${brelmo_wood_images})
add_dependencies(CorvaneAppCore CorvaneAppBundle)

# Executables without a bundle beside them (tests run from the build tree) find this one.
target_compile_definitions(CorvaneAppCore PRIVATE BRELMO_APP_BUILD_BUNDLE="${BRELMO_APP_BUILD_BUNDLE}")

# An installed program looks in <prefix>/share/brelmo first.
install(DIRECTORY ${BRELMO_APP_BUILD_BUNDLE} DESTINATION share/brelmo)

# Links the resource folder beside an executable, where the program looks
# before the build tree; nothing to do for one built beside the folder itself.
set(BRELMO_PLACE_APP_BUNDLE_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/demos/PlaceAppBundle.cmake CACHE INTERNAL "")
function(brelmo_place_app_bundle target)
  add_dependencies(${target} CorvaneAppBundle)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -DBUNDLE=${BRELMO_APP_BUILD_BUNDLE}
            -DFOLDER=$<TARGET_FILE_DIR:${target}> -P ${BRELMO_PLACE_APP_BUNDLE_SCRIPT})
endfunction()
