# The call file and the simulator stand on the model alone: they need the
# exchange's data (records, status, calendar, protocol bytes), never the
# exchange object with its serial channel and settings files. Configure stops
# when one of them comes to link the object, directly or through another of our
# libraries; an include of the object's headers stops their build
# (exchange/ObjectHeader.h).
function(tallyvox_require_not_linked target forbidden)
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
        message(FATAL_ERROR "${target} links ${forbidden} (through ${current}); "
                            "it may link tallyvox_model, not the exchange object")
      endif()
      if(library MATCHES "^tallyvox_" AND TARGET ${library})
        list(APPEND pending ${library})
      endif()
    endforeach()
  endwhile()
endfunction()

# The simulator is built only where it has a pseudo-terminal to answer on.
foreach(layer tallyvox_callfile tallyvox_sim tallyvox-sim)
  if(TARGET ${layer})
    tallyvox_require_not_linked(${layer} tallyvox_exchange)
  endif()
endforeach()
