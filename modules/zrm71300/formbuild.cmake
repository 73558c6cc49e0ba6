# Builds the screen's form description resource from its sources, in script mode:
#
#   cmake -DMODE=merge -DFORM=<layout> -DPARTS=<file;file> -DOUTPUT=<file> -P formbuild.cmake
#       The layout description with the components of each part appended (the datasets are kept in
#       data/ beside the code that uses them, the layout in screen/).
#   cmake -DMODE=translate -DFORM=<description> -DTRANSLATION=<file> -DOUTPUT=<file> -P formbuild.cmake
#       The description with the texts of a translation put in place of the built-in ones. The
#       translation is a JSON object:
#         "form":       { property: text }                     the screen's own properties
#         "components": { component: { property: text } }      properties of named components
#         "messages":   { table: { key: text } }               entries of the message tables
#       A translation that names a component, a property, a table or a key the description does not
#       have is refused, so that a text cannot silently stop being translated.

cmake_minimum_required(VERSION 3.25)

# The JSON form of text: a quoted string with its quotes, backslashes and line ends escaped.
function(json_quote text out)
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  string(REPLACE "\n" "\\n" text "${text}")
  string(REPLACE "\t" "\\t" text "${text}")
  set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()

# The members of the JSON object at the given path of json, in order.
function(json_members json out)
  string(JSON count LENGTH "${json}" ${ARGN})
  set(members "")
  if(count GREATER 0)
    math(EXPR last "${count} - 1")
    foreach(i RANGE ${last})
      string(JSON member MEMBER "${json}" ${ARGN} ${i})
      list(APPEND members "${member}")
    endforeach()
  endif()
  set(${out} "${members}" PARENT_SCOPE)
endfunction()

# The index in the description's components of the component called name; -1 when none.
function(component_index form name out)
  string(JSON count LENGTH "${form}" components)
  math(EXPR last "${count} - 1")
  foreach(i RANGE ${last})
    string(JSON candidate GET "${form}" components ${i} name)
    if(candidate STREQUAL name)
      set(${out} ${i} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(${out} -1 PARENT_SCOPE)
endfunction()

# Replaces the property of the component at index (or of the form itself when index is "form"); the
# property must exist already.
function(replace_property form_var index property text)
  if(index STREQUAL "form")
    set(path properties ${property})
  else()
    set(path components ${index} properties ${property})
  endif()
  string(JSON old ERROR_VARIABLE missing GET "${${form_var}}" ${path})
  if(missing)
    message(FATAL_ERROR "${TRANSLATION}: the property ${property} of ${index} is not in the form.")
  endif()
  json_quote("${text}" quoted)
  string(JSON updated SET "${${form_var}}" ${path} "${quoted}")
  set(${form_var} "${updated}" PARENT_SCOPE)
endfunction()

file(READ "${FORM}" form)

if(MODE STREQUAL "merge")
  foreach(part IN LISTS PARTS)
    file(READ "${part}" partJson)
    string(JSON partCount LENGTH "${partJson}" components)
    math(EXPR partLast "${partCount} - 1")
    foreach(i RANGE ${partLast})
      string(JSON component GET "${partJson}" components ${i})
      string(JSON end LENGTH "${form}" components)
      string(JSON form SET "${form}" components ${end} "${component}")
    endforeach()
  endforeach()
elseif(MODE STREQUAL "translate")
  file(READ "${TRANSLATION}" translation)

  json_members("${translation}" formProperties form)
  foreach(property IN LISTS formProperties)
    string(JSON text GET "${translation}" form ${property})
    replace_property(form form ${property} "${text}")
  endforeach()

  json_members("${translation}" components components)
  foreach(name IN LISTS components)
    component_index("${form}" ${name} index)
    if(index EQUAL -1)
      message(FATAL_ERROR "${TRANSLATION}: the component ${name} is not in the form.")
    endif()
    json_members("${translation}" properties components ${name})
    foreach(property IN LISTS properties)
      string(JSON text GET "${translation}" components ${name} ${property})
      replace_property(form ${index} ${property} "${text}")
    endforeach()
  endforeach()

  json_members("${translation}" tables messages)
  foreach(table IN LISTS tables)
    component_index("${form}" ${table} index)
    if(index EQUAL -1)
      message(FATAL_ERROR "${TRANSLATION}: the message table ${table} is not in the form.")
    endif()
    json_members("${translation}" keys messages ${table})
    string(JSON entryCount LENGTH "${form}" components ${index} properties Entries)
    math(EXPR entryLast "${entryCount} - 1")
    foreach(key IN LISTS keys)
      set(found FALSE)
      foreach(e RANGE ${entryLast})
        string(JSON entry GET "${form}" components ${index} properties Entries ${e})
        string(FIND "${entry}" "|" bar)
        string(SUBSTRING "${entry}" 0 ${bar} entryKey)
        if(entryKey STREQUAL key)
          string(JSON text GET "${translation}" messages ${table} ${key})
          json_quote("${key}|${text}" quoted)
          string(JSON form SET "${form}" components ${index} properties Entries ${e} "${quoted}")
          set(found TRUE)
          break()
        endif()
      endforeach()
      if(NOT found)
        message(FATAL_ERROR "${TRANSLATION}: the message ${key} is not in ${table}.")
      endif()
    endforeach()
  endforeach()
else()
  message(FATAL_ERROR "formbuild.cmake: MODE must be merge or translate.")
endif()

file(WRITE "${OUTPUT}" "${form}\n")
