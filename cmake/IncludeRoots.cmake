# Each subsystem's target sees only what it may use. A target gets an include
# directory of its own in the build tree that holds only its own headers,
# under the names sources spell them with ("link/D2xxTable.h"):
#
#   vexmoor_include_root(link PUBLIC link=src/link)
#   vexmoor_include_root(trend PUBLIC trend=src/trend/*.h)
#   vexmoor_include_root(d2xx_api INTERFACE link/D2xxTypes.h=src/link/D2xxTypes.h)
#
# Each entry is <name as included>=<path in the source tree>: a folder, a
# file, or "<folder>/*.h" for the folder's headers without its subfolders
# (platform/qt and trend/qt belong to other targets). Users of the target see
# that directory, and through the targets it links to, those of the
# subsystems below it: including a header of a subsystem above or beside it
# fails to compile, which a shared include root over all of src/ would allow.
#
# The entries are symbolic links into the source tree; where the system
# refuses them (Windows without the right to make links), forwarding headers
# stand in.

function(vexmoor_include_root target scope)
  set(root ${CMAKE_BINARY_DIR}/include/${target})
  # Name and source of every link, the globs resolved.
  set(links)
  foreach(entry IN LISTS ARGN)
    string(REPLACE "=" ";" parts "${entry}")
    list(GET parts 0 name)
    list(GET parts 1 source)
    if(source MATCHES "^(.*)/(\\*[^/]*)$")
      set(folder ${PROJECT_SOURCE_DIR}/${CMAKE_MATCH_1})
      file(GLOB files CONFIGURE_DEPENDS RELATIVE ${folder} ${folder}/${CMAKE_MATCH_2})
      foreach(file IN LISTS files)
        list(APPEND links "${name}/${file}=${folder}/${file}")
      endforeach()
    elseif(EXISTS ${PROJECT_SOURCE_DIR}/${source})
      list(APPEND links "${name}=${PROJECT_SOURCE_DIR}/${source}")
    else()
      message(FATAL_ERROR "vexmoor_include_root(${target}): no ${source}")
    endif()
  endforeach()

  # Made again only when the entries change: a link made anew is harmless,
  # a forwarding header made anew would rebuild its users.
  set(stamp ${CMAKE_BINARY_DIR}/include/${target}.entries)
  set(made "")
  if(EXISTS ${stamp})
    file(READ ${stamp} made)
  endif()
  if(NOT made STREQUAL "${links}" OR NOT IS_DIRECTORY ${root})
    # Removes the links, never what they point to.
    file(REMOVE_RECURSE ${root})
    foreach(link IN LISTS links)
      string(REPLACE "=" ";" parts "${link}")
      list(GET parts 0 name)
      list(GET parts 1 source)
      get_filename_component(parent ${root}/${name} DIRECTORY)
      file(MAKE_DIRECTORY ${parent})
      file(CREATE_LINK ${source} ${root}/${name} RESULT failed SYMBOLIC)
      if(failed)
        _vexmoor_forwarding_headers(${source} ${root}/${name})
      endif()
    endforeach()
    file(WRITE ${stamp} "${links}")
  endif()
  target_include_directories(${target} ${scope} ${root})
endfunction()

# Headers that include the real ones, for a folder (or one file) at `link`.
function(_vexmoor_forwarding_headers source link)
  if(IS_DIRECTORY ${source})
    file(GLOB headers CONFIGURE_DEPENDS RELATIVE ${source} ${source}/*.h ${source}/*.xpm)
    foreach(header IN LISTS headers)
      file(WRITE ${link}/${header} "#include \"${source}/${header}\"\n")
    endforeach()
  else()
    file(WRITE ${link} "#include \"${source}\"\n")
  endif()
endfunction()
