# The office's UNO SDK: C++ headers generated from the installed office's type
# libraries (only the types the code names), and the URE libraries to link.
set(CW_OFFICE_DIR "/usr/lib/libreoffice" CACHE PATH "Installed office (holds program/ and sdk/)")

set(_prog "${CW_OFFICE_DIR}/program")
set(_cppumaker "${CW_OFFICE_DIR}/sdk/bin/cppumaker")
foreach(_f "${_cppumaker}" "${_prog}/types.rdb" "${_prog}/types/offapi.rdb")
  if(NOT EXISTS "${_f}")
    message(FATAL_ERROR "Missing ${_f}: run scripts/install-deps.sh (libreoffice-dev)")
  endif()
endforeach()

set(CW_UNO_TYPES
  com.sun.star.beans.PropertyValue
  com.sun.star.bridge.UnoUrlResolver
  com.sun.star.connection.NoConnectException
  com.sun.star.container.XIndexAccess
  com.sun.star.container.XNameAccess
  com.sun.star.container.XNamed
  com.sun.star.frame.Desktop
  com.sun.star.frame.DispatchHelper
  com.sun.star.frame.XComponentLoader
  com.sun.star.frame.XController
  com.sun.star.frame.XDesktop
  com.sun.star.frame.XDispatchHelper
  com.sun.star.frame.XDispatchProvider
  com.sun.star.frame.XFrame
  com.sun.star.frame.XModel
  com.sun.star.frame.XStorable
  com.sun.star.io.IOException
  com.sun.star.lang.DisposedException
  com.sun.star.lang.XComponent
  com.sun.star.lang.XMultiComponentFactory
  com.sun.star.sheet.XCellRangeAddressable
  com.sun.star.sheet.XSheetCellCursor
  com.sun.star.sheet.XSpreadsheet
  com.sun.star.sheet.XSpreadsheetDocument
  com.sun.star.sheet.XSpreadsheets
  com.sun.star.sheet.XUsedAreaCursor
  com.sun.star.table.XCell
  com.sun.star.table.XCellRange
  com.sun.star.text.XTextRange
  com.sun.star.uno.XComponentContext
  com.sun.star.util.XCloseable
  com.sun.star.util.XNumberFormatsSupplier
  com.sun.star.util.XNumberFormats
  com.sun.star.beans.XPropertySet
  com.sun.star.sheet.XSheetAnnotationsSupplier
  com.sun.star.sheet.XSheetAnnotations
  com.sun.star.util.XMergeable
  com.sun.star.sheet.XSheetCellRange
  com.sun.star.sheet.XCellRangeData
  com.sun.star.lang.Locale
  com.sun.star.uno.DeploymentException
  com.sun.star.lang.XMultiServiceFactory
  com.sun.star.sheet.XSheetCellRangeContainer
  com.sun.star.sheet.XSheetOperation
  com.sun.star.sheet.CellFlags
  com.sun.star.util.XChangesBatch
  com.sun.star.sheet.XCellRangesQuery
  com.sun.star.sheet.XSheetCellRanges
  com.sun.star.sheet.XSheetAnnotationAnchor
  com.sun.star.sheet.XSheetAnnotation
  com.sun.star.awt.Point
  com.sun.star.awt.Size
  com.sun.star.drawing.XDrawPage
  com.sun.star.drawing.XDrawPages
  com.sun.star.drawing.XDrawPagesSupplier
  com.sun.star.drawing.XShape
  com.sun.star.drawing.XShapes
  com.sun.star.sheet.XArrayFormulaRange
  com.sun.star.sheet.XCellRangeFormula
  com.sun.star.table.CellContentType
  com.sun.star.uno.XWeak
  com.sun.star.uno.XAggregation
  com.sun.star.lang.XTypeProvider
  com.sun.star.task.XInteractionHandler
  com.sun.star.task.XInteractionAbort
  com.sun.star.task.XInteractionDisapprove
  com.sun.star.task.PasswordRequest
  com.sun.star.task.ErrorCodeRequest
  com.sun.star.document.BrokenPackageRequest
  com.sun.star.ucb.InteractiveIOException
  com.sun.star.table.XColumnRowRange
  com.sun.star.table.XTableColumns
  com.sun.star.table.XTableRows
  com.sun.star.util.CellProtection
  com.sun.star.util.XProtectable
  com.sun.star.ucb.XContentProviderManager
  com.sun.star.container.XNameContainer
  com.sun.star.script.XLibraryContainer
  com.sun.star.script.vba.XVBACompatibility
  com.sun.star.script.vba.XVBAModuleInfo
  com.sun.star.script.ModuleType
  com.sun.star.sheet.XSheetAnnotationShapeSupplier
  com.sun.star.document.XUndoManagerSupplier
  com.sun.star.document.XUndoManager
  com.sun.star.io.XInputStream
)

set(CW_UNO_INCLUDE "${CMAKE_BINARY_DIR}/uno-include")
set(_stamp "${CW_UNO_INCLUDE}/.stamp")
set(_targs)
foreach(_t IN LISTS CW_UNO_TYPES)
  list(APPEND _targs "-T${_t}")
endforeach()
add_custom_command(
  OUTPUT "${_stamp}"
  COMMAND ${CMAKE_COMMAND} -E rm -rf "${CW_UNO_INCLUDE}"
  COMMAND "${_cppumaker}" -Gc "-O${CW_UNO_INCLUDE}" ${_targs} "${_prog}/types.rdb" "${_prog}/types/offapi.rdb"
  COMMAND ${CMAKE_COMMAND} -E touch "${_stamp}"
  DEPENDS "${CMAKE_CURRENT_LIST_FILE}"
  COMMENT "Generating UNO C++ headers"
  VERBATIM)
add_custom_target(uno_headers DEPENDS "${_stamp}")

add_library(uno_sdk INTERFACE)
add_dependencies(uno_sdk uno_headers)
target_include_directories(uno_sdk SYSTEM INTERFACE "${CW_UNO_INCLUDE}" /usr/include/libreoffice)
target_compile_definitions(uno_sdk INTERFACE LINUX UNX CPPU_ENV=gcc3
  CW_OFFICE_PROGRAM_DIR="${_prog}")
# The office's objects reach us as proxies whose tables of virtual functions
# the UNO bridge makes at run time, with no type information that
# UndefinedBehaviorSanitizer's check of dynamic types could read: every call
# on them would be taken for a call on a wrong type. That one check is left
# out of the code built against the office's headers.
if(CW_SANITIZE MATCHES "undefined")
  target_compile_options(uno_sdk INTERFACE -fno-sanitize=vptr)
endif()
target_link_libraries(uno_sdk INTERFACE
  "${CW_OFFICE_DIR}/sdk/lib/libuno_cppuhelpergcc3.so"
  "${CW_OFFICE_DIR}/sdk/lib/libuno_cppu.so"
  "${CW_OFFICE_DIR}/sdk/lib/libuno_sal.so")
set(CMAKE_BUILD_RPATH "${_prog}")
set(CMAKE_INSTALL_RPATH "${_prog}")
