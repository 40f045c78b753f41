# The layer rules, checked at configure time: a target that comes to link a
# library it must not, directly or through another of our libraries, stops the
# configure with the path by which it does.
function(tallyvox_require_not_linked target forbidden why)
  set(seen "")
  set(pending ${target})
  while(pending)
    list(POP_FRONT pending current)
    if(current IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${current})
    get_target_property(direct ${current} LINK_LIBRARIES)
    get_target_property(usage ${current} INTERFACE_LINK_LIBRARIES)
    foreach(library IN LISTS direct usage)
      string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" library "${library}")
      if(library STREQUAL forbidden)
        message(FATAL_ERROR "${target} links ${forbidden} (through ${current}); ${why}")
      endif()
      if(library MATCHES "^tallyvox_" AND TARGET ${library})
        list(APPEND pending ${library})
      endif()
    endforeach()
  endwhile()
endfunction()

# The call file and the simulator stand on the model alone: they need the
# exchange's data (records, status, calendar, protocol bytes), never the
# exchange object with its serial channel and settings files. An include of the
# object's headers stops their build too (exchange/ObjectHeader.h). The
# simulator is built only where it has a pseudo-terminal to answer on.
foreach(layer tallyvox_callfile tallyvox_sim tallyvox-sim)
  if(TARGET ${layer})
    tallyvox_require_not_linked(${layer} tallyvox_exchange
                                "it may link tallyvox_model, not the exchange object")
  endif()
endforeach()

# The window and the report program are two clients side by side: what both
# need lives below them (report/, qtadapters/), never in the other's folder.
foreach(layer tallyvox_app tallyvox)
  if(TARGET ${layer})
    tallyvox_require_not_linked(${layer} tallyvox_reportcli
                                "the window shares the report program's code through qtadapters/")
  endif()
endforeach()
foreach(layer tallyvox_reportcli tallyvox-report)
  if(TARGET ${layer})
    tallyvox_require_not_linked(${layer} tallyvox_app "the report program takes nothing of the window")
  endif()
endforeach()
