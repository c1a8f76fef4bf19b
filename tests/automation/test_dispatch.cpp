// Dispatch by name through the sample's member table, its type information and its reference.
#include <gtest/gtest.h>

#include "platform/automation/invoke.h"
#include "platform/automation/safearray.h"
#include "platform/automation/typeinfo.h"
#include "tests/automation/sample.h"

using namespace qs::automation;

namespace {

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("LC_ALL", "C", 1);
        ASSERT_EQ(CreateObject<Sample>(IID_IDispatch, object.OutVoid()), S_OK);
    }
    // Calls `name` with `flags` and the arguments; returns the result's text, or "error 0x..." .
    HRESULT Call(const char *name, WORD flags, std::vector<Variant> args, Variant *result = nullptr) {
        excep.Clear();
        return InvokeByName(object.get(), name, flags, AsVariants(args.data(), args.size()), result, &excep);
    }
    std::string Get(const char *name) {
        Variant v;
        EXPECT_EQ(GetProperty(object.get(), name, &v), S_OK) << name;
        return v.text();
    }

    ComPtr<IDispatch> object;
    ExcepInfo excep;
};

TEST_F(Dispatch, PropertiesByNameInAnyCase) {
    EXPECT_EQ(PutProperty(object.get(), "Name", Variant("Quill")), S_OK);
    EXPECT_EQ(Get("nAmE"), "Quill");
    EXPECT_EQ(PutProperty(object.get(), "Count", Variant("12")), S_OK) << "text converts to the property's type";
    Variant count;
    ASSERT_EQ(GetProperty(object.get(), "Count", &count), S_OK);
    EXPECT_EQ(count.vt, VT_I4);
    EXPECT_EQ(count.lVal, 12);
    EXPECT_EQ(PutProperty(object.get(), "Enabled", Variant("False")), S_OK);
    Variant enabled;
    ASSERT_EQ(GetProperty(object.get(), "Enabled", &enabled), S_OK);
    EXPECT_EQ(enabled.vt, VT_BOOL);
    EXPECT_EQ(enabled.boolVal, VARIANT_FALSE);
    EXPECT_EQ(PutProperty(object.get(), "When", Variant("2024-01-02")), S_OK);
    Variant when;
    ASSERT_EQ(GetProperty(object.get(), "When", &when), S_OK);
    EXPECT_EQ(when.vt, VT_DATE);
    EXPECT_EQ(when.text(), "2024-01-02");
}

TEST_F(Dispatch, AnObjectConvertsThroughItsDefaultProperty) {
    PutProperty(object.get(), "Name", Variant("default"));
    Variant holder(object.get());
    EXPECT_EQ(holder.text(), "default");
    Variant unknown;
    ASSERT_EQ(VariantChangeType(&unknown, &holder, 0, VT_UNKNOWN), S_OK);
    Variant back;
    ASSERT_EQ(VariantChangeType(&back, &unknown, 0, VT_DISPATCH), S_OK);
    EXPECT_EQ(back.pdispVal, object.get());
    EXPECT_EQ(VariantChangeType(&back, &holder, VARIANT_NOVALUEPROP, VT_BSTR), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(VariantChangeType(&back, &holder, 0, VT_I4), DISP_E_TYPEMISMATCH) << "the name is no number";
}

TEST_F(Dispatch, IndexedProperty) {
    EXPECT_EQ(Call("Item", DISPATCH_PROPERTYPUT, {Variant(2), Variant("two")}), S_OK);
    Variant v;
    EXPECT_EQ(Call("Item", DISPATCH_METHOD | DISPATCH_PROPERTYGET, {Variant("2")}, &v), S_OK);
    EXPECT_EQ(v.text(), "two");
    EXPECT_EQ(Call("Item", DISPATCH_PROPERTYGET, {Variant(9)}, &v), DISP_E_EXCEPTION);
    EXPECT_EQ(excep.scode, CTL_E_INVALIDPROPERTYARRAYINDEX);
    EXPECT_EQ(Call("Item", DISPATCH_PROPERTYGET, {}, &v), DISP_E_PARAMNOTOPTIONAL);
}

TEST_F(Dispatch, FailuresOfCallAndArguments) {
    struct {
        const char *what;
        const char *name;
        WORD flags;
        std::vector<Variant> args;
        HRESULT hr;
        HRESULT scode;  // for DISP_E_EXCEPTION
    } cases[] = {
        {"text that is no number", "Count", DISPATCH_PROPERTYPUT, {Variant("twelve")}, DISP_E_TYPEMISMATCH, 0},
        {"refused value", "Count", DISPATCH_PROPERTYPUT, {Variant(-1)}, DISP_E_EXCEPTION, CTL_E_INVALIDPROPERTYVALUE},
        {"too few arguments", "Add", DISPATCH_METHOD, {Variant(1)}, DISP_E_PARAMNOTOPTIONAL, 0},
        {"too many arguments", "Add", DISPATCH_METHOD, {Variant(1), Variant(2), Variant(3)}, DISP_E_BADPARAMCOUNT, 0},
        {"missing marker for a required one", "Add", DISPATCH_METHOD, {Variant(1), Variant::Missing()},
         DISP_E_PARAMNOTOPTIONAL, 0},
        {"wrong type", "Add", DISPATCH_METHOD, {Variant("x"), Variant(1)}, DISP_E_TYPEMISMATCH, 0},
        {"out of range", "Add", DISPATCH_METHOD, {Variant(1e10), Variant(1)}, DISP_E_OVERFLOW, 0},
        {"conversion inside the method", "Describe", DISPATCH_METHOD, {Variant::Null()}, DISP_E_EXCEPTION,
         DISP_E_TYPEMISMATCH},
        {"read-only property", "ModulePath", DISPATCH_PROPERTYPUT, {Variant("x")}, DISP_E_MEMBERNOTFOUND, 0},
        {"property as method only", "Count", DISPATCH_METHOD, {}, DISP_E_MEMBERNOTFOUND, 0},
        {"put without value", "Name", DISPATCH_PROPERTYPUT, {}, DISP_E_BADPARAMCOUNT, 0},
        {"unknown name", "Nothing", DISPATCH_METHOD, {}, DISP_E_UNKNOWNNAME, 0},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Call(c.name, c.flags, c.args), c.hr);
        if (c.hr == DISP_E_EXCEPTION) EXPECT_EQ(excep.scode, c.scode);
    }
    // The argument at fault, counted as the platform counts (the last argument is entry 0).
    std::vector<Variant> args = {Variant("x"), Variant(1)};
    std::vector<VARIANT> reversed = {args[1], args[0]};
    DISPPARAMS params{reversed.data(), nullptr, 2, 0};
    UINT argError = 99;
    EXPECT_EQ(object->Invoke(10, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, &argError),
              DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argError, 1u);
    EXPECT_EQ(object->Invoke(999, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
}

TEST_F(Dispatch, MethodsWithResultsAndOptionalArguments) {
    Variant v;
    ASSERT_EQ(Call("Add", DISPATCH_METHOD, {Variant(2), Variant(3)}, &v), S_OK);
    EXPECT_EQ(v.vt, VT_I4);
    EXPECT_EQ(v.lVal, 5);
    ASSERT_EQ(Call("Add", DISPATCH_METHOD, {Variant("2"), Variant(3.5)}, &v), S_OK);
    EXPECT_EQ(v.lVal, 6);
    ASSERT_EQ(Call("Describe", DISPATCH_METHOD, {}, &v), S_OK);
    EXPECT_EQ(v.text(), "missing") << "an omitted optional argument arrives as the missing marker";
    ASSERT_EQ(Call("Describe", DISPATCH_METHOD, {Variant::Missing()}, &v), S_OK);
    EXPECT_EQ(v.text(), "missing");
    ASSERT_EQ(Call("Describe", DISPATCH_METHOD, {Variant(7)}, &v), S_OK);
    EXPECT_EQ(v.text(), "7");
    Variant inner(8);
    ASSERT_EQ(Call("Describe", DISPATCH_METHOD, {Variant::Ref(&inner)}, &v), S_OK);
    EXPECT_EQ(v.text(), "8");
}

TEST_F(Dispatch, NamedArguments) {
    std::u16string add = u"Add", b = u"b", nope = u"Nope";
    LPOLESTR names[] = {add.data(), b.data(), nope.data()};
    DISPID ids[3];
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 3, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 10);
    EXPECT_EQ(ids[1], 1);
    EXPECT_EQ(ids[2], DISPID_UNKNOWN);
    // Add(1, B:=41): the named argument comes first.
    VARIANT args[2];
    args[0] = Variant(41).Detach();
    args[1] = Variant(1).Detach();
    DISPID named[] = {1};
    DISPPARAMS params{args, named, 2, 1};
    Variant v;
    ASSERT_EQ(object->Invoke(10, IID_NULL, 0, DISPATCH_METHOD, &params, &v, nullptr, nullptr), S_OK);
    EXPECT_EQ(v.lVal, 42);
    named[0] = 7;
    EXPECT_EQ(object->Invoke(10, IID_NULL, 0, DISPATCH_METHOD, &params, &v, nullptr, nullptr), DISP_E_PARAMNOTFOUND);
    named[0] = DISPID_PROPERTYPUT;
    EXPECT_EQ(object->Invoke(10, IID_NULL, 0, DISPATCH_METHOD, &params, &v, nullptr, nullptr), DISP_E_PARAMNOTFOUND);
}

TEST_F(Dispatch, InOutArgumentsByReference) {
    // Two variants by reference swap their contents.
    Variant a(1), b("x");
    ASSERT_EQ(Call("Swap", DISPATCH_METHOD, {Variant::Ref(&a), Variant::Ref(&b)}), S_OK);
    EXPECT_EQ(a.text(), "x");
    EXPECT_EQ(b.vt, VT_I4);
    // A long by reference receives the other value converted to a long.
    LONG number = 5;
    Variant byLong;
    byLong.vt = VT_BYREF | VT_I4;
    byLong.plVal = &number;
    Variant nine("9");
    ASSERT_EQ(Call("Swap", DISPATCH_METHOD, {byLong, Variant::Ref(&nine)}), S_OK);
    EXPECT_EQ(number, 9);
    EXPECT_EQ(nine.vt, VT_I4);
    EXPECT_EQ(nine.lVal, 5);
    Variant word("abc");
    EXPECT_EQ(Call("Swap", DISPATCH_METHOD, {byLong, Variant::Ref(&word)}), DISP_E_EXCEPTION);
    EXPECT_EQ(excep.scode, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(number, 9) << "a value that does not convert leaves the long alone";
    // By value: the method's changes stay inside the call.
    Variant byValue[] = {Variant(3), Variant("y")};
    ASSERT_EQ(InvokeByName(object.get(), "Swap", DISPATCH_METHOD, AsVariants(byValue, 2), nullptr, nullptr), S_OK);
    EXPECT_EQ(byValue[0].lVal, 3);
    EXPECT_EQ(byValue[1].text(), "y");
    EXPECT_EQ(Call("Swap", DISPATCH_METHOD, {}), DISP_E_PARAMNOTOPTIONAL);
}

TEST_F(Dispatch, ArraysByReferenceThroughAMethod) {
    // A by-reference byte array holding no array receives a new one of the asked length.
    SAFEARRAY *array = nullptr;
    Variant ref;
    ref.vt = VT_BYREF | VT_ARRAY | VT_UI1;
    ref.pparray = &array;
    Variant n;
    ASSERT_EQ(Call("Fill", DISPATCH_METHOD, {ref, Variant(3)}, &n), S_OK);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(n.lVal, 3);
    EXPECT_EQ(ArrayElementCount(array), 3u);
    // An existing array: without a length its size is the limit, with a smaller one that length.
    SafeArrayDestroy(array);
    array = SafeArrayCreateVector(VT_UI1, 0, 4);
    ASSERT_EQ(Call("Fill", DISPATCH_METHOD, {ref}, &n), S_OK);
    EXPECT_EQ(n.lVal, 4);
    ASSERT_EQ(Call("Fill", DISPATCH_METHOD, {ref, Variant(2)}, &n), S_OK);
    EXPECT_EQ(n.lVal, 2);
    BYTE *data = nullptr;
    SafeArrayAccessData(array, reinterpret_cast<void **>(&data));
    EXPECT_EQ(data[0], 1);
    EXPECT_EQ(data[3], 4);
    SafeArrayUnaccessData(array);
    SafeArrayDestroy(array);
    // Two dimensions are refused.
    SAFEARRAYBOUND bounds[] = {{2, 0}, {2, 0}};
    array = SafeArrayCreate(VT_UI1, 2, bounds);
    EXPECT_EQ(Call("Fill", DISPATCH_METHOD, {ref}, &n), DISP_E_EXCEPTION);
    EXPECT_EQ(excep.scode, E_INVALIDARG);
    SafeArrayDestroy(array);
    // A text by reference is replaced.
    Variant text("old");
    ASSERT_EQ(Call("Fill", DISPATCH_METHOD, {Variant::Ref(&text), Variant(5)}, &n), S_OK);
    EXPECT_EQ(text.text(), "xxxxx");
}

TEST_F(Dispatch, ErrorInformationBecomesTheException) {
    Variant v;
    ASSERT_EQ(Call("Fail", DISPATCH_METHOD, {Variant(7)}, &v), DISP_E_EXCEPTION);
    EXPECT_EQ(excep.scode, MakeControlError(7));
    EXPECT_EQ(excep.description(), "Sample failure 7");
    EXPECT_EQ(excep.source(), "Quillstream.Sample.1");
    EXPECT_EQ(v.vt, VT_EMPTY) << "no result from a failed call";
    ComPtr<IErrorInfo> info;
    EXPECT_EQ(GetErrorInfo(0, info.Out()), S_FALSE) << "the exception took it";

    // Without an exception record the failure itself comes back and the caller takes the information.
    EXPECT_EQ(InvokeByName(object.get(), "Fail", DISPATCH_METHOD, {}, nullptr, nullptr), DISP_E_PARAMNOTOPTIONAL);
    Variant nine(9);
    EXPECT_EQ(InvokeByName(object.get(), "Fail", DISPATCH_METHOD, AsVariants(&nine, 1), nullptr, nullptr),
              MakeControlError(9));
    ASSERT_EQ(GetErrorInfo(0, info.Out()), S_OK);
    Bstr description;
    info->GetDescription(description.Out());
    EXPECT_EQ(description.utf8(), "Sample failure 9");

    // Information left over from an earlier failure is not reported for a later one.
    EXPECT_EQ(InvokeByName(object.get(), "Fail", DISPATCH_METHOD, AsVariants(&nine, 1), nullptr, nullptr),
              MakeControlError(9));
    EXPECT_EQ(Call("Count", DISPATCH_PROPERTYPUT, {Variant(-5)}), DISP_E_EXCEPTION);
    EXPECT_EQ(excep.description(), "Invalid property value");
    EXPECT_EQ(excep.source(), "");

    ComPtr<ISupportErrorInfo> support;
    ASSERT_EQ(object.As(&support), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(ISample::kIid), S_OK);
    EXPECT_EQ(support->InterfaceSupportsErrorInfo(IID_IDispatch), S_FALSE);
}

TEST_F(Dispatch, TypedInterfaceOverTheSameMembers) {
    ComPtr<ISample> typed;
    ASSERT_EQ(object.As(&typed), S_OK);
    EXPECT_EQ(typed->put_Count(3), S_OK);
    EXPECT_EQ(Get("Count"), "3");
    EXPECT_EQ(typed->put_Count(-1), CTL_E_INVALIDPROPERTYVALUE);
    LONG sum = 0;
    EXPECT_EQ(typed->Add(40, 2, &sum), S_OK);
    EXPECT_EQ(sum, 42);
    ComPtr<IUnknown> a, b;
    ASSERT_EQ(typed.As(&a), S_OK);
    ASSERT_EQ(object.As(&b), S_OK);
    EXPECT_EQ(a.get(), b.get()) << "one identity whatever interface is asked";
    ComPtr<IStream> none;
    EXPECT_EQ(object.As(&none), E_NOINTERFACE);
}

TEST_F(Dispatch, TypeInformationFromTheTable) {
    UINT count = 0;
    EXPECT_EQ(object->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(object->GetTypeInfo(0, 0, info.Out()), S_OK);
    TYPEATTR attr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr.typekind, TKIND_DISPATCH);
    EXPECT_EQ(attr.guid, ISample::kIid);
    EXPECT_EQ(attr.cFuncs, 17);
    BSTR names[4];
    UINT got = 0;
    ASSERT_EQ(info->GetNames(5, names, 4, &got), S_OK);
    ASSERT_EQ(got, 2u);
    EXPECT_EQ(Utf8FromBstr(names[0]), "Item");
    EXPECT_EQ(Utf8FromBstr(names[1]), "Index");
    for (UINT i = 0; i < got; ++i) SysFreeString(names[i]);
    const Member *fill = nullptr;
    ASSERT_EQ(info->GetFuncDesc(15, &fill), S_OK);
    EXPECT_STREQ(fill->name, "Fill");
    EXPECT_EQ(fill->params[0].flags, kParamOut);
    EXPECT_EQ(fill->params[1].flags, kParamOptional);
    EXPECT_EQ(fill->type, VT_I4);

    ComPtr<ITypeLib> lib;
    UINT index = 0;
    ASSERT_EQ(info->GetContainingTypeLib(lib.Out(), &index), S_OK);
    ASSERT_EQ(lib->GetTypeInfoCount(), 5u);  // enumeration, its alias, two interfaces, the class
    ComPtr<ITypeInfo> same;
    ASSERT_EQ(lib->GetTypeInfo(index, same.Out()), S_OK);
    ASSERT_EQ(same->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr.guid, ISample::kIid);

    ComPtr<ITypeInfo> alias, colors;
    ASSERT_EQ(lib->GetTypeInfo(1, alias.Out()), S_OK);
    ASSERT_EQ(alias->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr.typekind, TKIND_ALIAS);
    ASSERT_EQ(alias->GetImplTypeInfo(0, colors.Out(), nullptr), S_OK);
    ASSERT_EQ(colors->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr.typekind, TKIND_ENUM);
    EXPECT_EQ(attr.cVars, 3);
    const EnumConstant *blue = nullptr;
    ASSERT_EQ(colors->GetVarDesc(2, &blue), S_OK);
    EXPECT_STREQ(blue->name, "sampleBlue");
    EXPECT_EQ(blue->value, 4);

    ComPtr<ITypeInfo> coclass, events;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(kSampleClsid, coclass.Out()), S_OK);
    int flags = 0;
    ASSERT_EQ(coclass->GetImplTypeInfo(1, events.Out(), &flags), S_OK);
    EXPECT_EQ(flags, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE);
    ASSERT_EQ(events->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr.guid, kSampleEventsIid);
    EXPECT_EQ(coclass->GetImplTypeInfo(2, events.Out(), &flags), TYPE_E_ELEMENTNOTFOUND);
}

TEST_F(Dispatch, ReferenceDocumentFromTheTable) {
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(CreateTypeLib(kSampleLib, lib.Out()), S_OK);
    std::string markdown;
    ASSERT_EQ(WriteReference(lib.get(), ReferenceFormat::Markdown, &markdown), S_OK);
    for (const char *line : {
             "# SampleCtl 1.0 - Quillstream Sample Control 1.0\n",
             "| `sampleBlue` | 4 |\n",
             "### _sampleColorConstants (alias ColorConstants)\n",
             "| 0 | `Name` | get/put | string |  | the sample's name |\n",
             "| 5 | `Item` | get/put | string | Index: long | one of four texts |\n",
             "| 6 | `ModulePath` | get | string |  |  |\n",
             "| 10 | `Add` | method | long | A: long, B: long | the sum |\n",
             "| 14 | `Fill` | method | long | Buffer (in/out), [Length] |  |\n",
             "| 2 | `OnCount` | method |  | Value (in/out) |  |\n",
             "## class Sample {A5D0C1E0-5A11-4E2B-9C61-000000000004}, interface ISample, events _ISampleEvents\n",
         }) {
        EXPECT_NE(markdown.find(line), std::string::npos) << line << "\nin:\n" << markdown;
    }
    std::string text;
    ASSERT_EQ(WriteReference(lib.get(), ReferenceFormat::Text, &text), S_OK);
    EXPECT_NE(text.find("    10  Add         method   long      A: long, B: long\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  -514  Enabled     get/put  boolean\n"), std::string::npos) << text;
}

}  // namespace
