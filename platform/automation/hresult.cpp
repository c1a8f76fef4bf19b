#include "platform/automation/hresult.h"
#include "platform/base/errors.h"

namespace {

struct HresultRow {
    HRESULT hr;
    const char *text;
};

constexpr HresultRow kTexts[] = {
    {S_OK, "The operation completed successfully"},
    {E_NOTIMPL, "Not implemented"},
    {E_NOINTERFACE, "No such interface supported"},
    {E_POINTER, "Invalid pointer"},
    {E_ABORT, "Operation aborted"},
    {E_FAIL, "Unspecified error"},
    {E_UNEXPECTED, "Catastrophic failure"},
    {E_ACCESSDENIED, "Access is denied"},
    {E_OUTOFMEMORY, "Not enough memory"},
    {E_INVALIDARG, "The parameter is incorrect"},
    {DISP_E_UNKNOWNINTERFACE, "Unknown interface"},
    {DISP_E_MEMBERNOTFOUND, "Member not found"},
    {DISP_E_PARAMNOTFOUND, "Parameter not found"},
    {DISP_E_TYPEMISMATCH, "Type mismatch"},
    {DISP_E_UNKNOWNNAME, "Unknown name"},
    {DISP_E_NONAMEDARGS, "No named arguments"},
    {DISP_E_BADVARTYPE, "Bad variable type"},
    {DISP_E_EXCEPTION, "Exception occurred"},
    {DISP_E_OVERFLOW, "Out of present range"},
    {DISP_E_BADINDEX, "Invalid index"},
    {DISP_E_ARRAYISLOCKED, "Memory is locked"},
    {DISP_E_BADPARAMCOUNT, "Invalid number of parameters"},
    {DISP_E_PARAMNOTOPTIONAL, "Parameter not optional"},
    {TYPE_E_ELEMENTNOTFOUND, "Element not found"},
    {STG_E_INVALIDFUNCTION, "Unable to perform requested operation"},
    {STG_E_INVALIDPOINTER, "Invalid pointer"},
    {STG_E_READFAULT, "Could not read the stream"},
    {STG_E_MEDIUMFULL, "The stream is full"},
    {CLASS_E_NOAGGREGATION, "Class does not support aggregation"},
    {CLASS_E_CLASSNOTAVAILABLE, "Class not available"},
    {REGDB_E_READREGDB, "Could not read key from registry"},
    {REGDB_E_WRITEREGDB, "Could not write key to registry"},
    {REGDB_E_CLASSNOTREG, "Class not registered"},
    {CONNECT_E_NOCONNECTION, "No such connection"},
    {CONNECT_E_ADVISELIMIT, "Too many connections"},
    {CONNECT_E_CANNOTCONNECT, "The sink does not support the event interface"},
    {CO_E_CLASSSTRING, "Invalid class string"},
    {CO_E_DLLNOTFOUND, "The module could not be found"},
    {CO_E_ERRORINDLL, "The module has no class object entry point"},
    {HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND), "The specified module could not be found"},
    {CTL_E_ILLEGALFUNCTIONCALL, "Invalid procedure call or argument"},
    {CTL_E_OVERFLOW, "Overflow"},
    {CTL_E_OUTOFMEMORY, "Out of memory"},
    {CTL_E_SUBSCRIPTOUTOFRANGE, "Subscript out of range"},
    {CTL_E_TYPEMISMATCH, "Type mismatch"},
    {CTL_E_INVALIDPROPERTYVALUE, "Invalid property value"},
    {CTL_E_INVALIDPROPERTYARRAYINDEX, "Invalid property array index"},
    {CTL_E_SETNOTSUPPORTED, "Property cannot be set now"},
    {CTL_E_GETNOTSUPPORTED, "Property is write-only"},
};

}  // namespace

const char *HresultText(HRESULT hr) {
    for (const HresultRow &row : kTexts) {
        if (row.hr == hr) return row.text;
    }
    return nullptr;
}
