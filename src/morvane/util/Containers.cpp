#include "morvane/util/Containers.h"

#include "morvane/api/CException.h"
#include "morvane/api/ClassIds.h"

namespace morvane {

CObjectEnumerator::CObjectEnumerator() : CObjectImpl(clsid::CObjectEnumerator) {}

CPushObjectEnumerator::CPushObjectEnumerator() : CObjectImpl(clsid::CPushObjectEnumerator) {}

CPushObjectEnumerator::~CPushObjectEnumerator()
{
    for (IObject* object : m_objects)
        object->Release();
}

bool CPushObjectEnumerator::HasNext()
{
    m_started = true;
    return m_cursor < m_objects.size();
}

IObject* CPushObjectEnumerator::GetNext()
{
    m_started = true;
    if (m_cursor >= m_objects.size())
        return nullptr;
    IObject* object = m_objects[m_cursor++];
    object->AddRef();
    return object;
}

void CPushObjectEnumerator::Push(IObject* object)
{
    if (m_started || !object)
        return;
    object->AddRef();
    m_objects.push_back(object);
}

void CPushObjectEnumerator::Reserve(unsigned int count)
{
    if (!m_started)
        m_objects.reserve(count);
}

CPtrObject::CPtrObject() : CObjectImpl(clsid::CPtrObject) {}
CPtrObject::CPtrObject(void* pointer) : CObjectImpl(clsid::CPtrObject), m_pointer(pointer) {}

CObjectList::CObjectList() : CObjectImpl(clsid::CObjectList) {}

CObjectList::~CObjectList() { Clear(); }

void CObjectList::AddObject(IObject* object)
{
    if (!object)
        MRV_THROW(CNullPtrException, L"morvane::CObjectList::AddObject", L"Null object");
    object->AddRef();
    m_objects.push_back(object);
}

void CObjectList::RemoveObject(unsigned int index)
{
    if (index >= m_objects.size())
        MRV_THROW(CBadIndexException, L"morvane::CObjectList::RemoveObject", L"Index out of bounds");
    IObject* object = m_objects[index];
    m_objects.erase(m_objects.begin() + index);
    object->Release();
}

void CObjectList::RemoveObject(IObject* object) { RemoveObject(FindObject(object)); }

void CObjectList::Clear()
{
    std::vector<IObject*> objects;
    objects.swap(m_objects);
    for (IObject* object : objects)
        object->Release();
}

IObjectEnumerator* CObjectList::EnumerateObjects()
{
    auto* enumerator = new CPushObjectEnumerator;
    enumerator->Reserve(static_cast<unsigned int>(m_objects.size()));
    for (IObject* object : m_objects)
        enumerator->Push(object);
    return enumerator;
}

IObjectEnumerator* CObjectList::EnumerateObjects(CId interfaceId)
{
    auto* enumerator = new CPushObjectEnumerator;
    for (IObject* object : m_objects) {
        if (IObject* answer = object->QueryInterface(interfaceId)) {
            enumerator->Push(answer);
            answer->Release();
        }
    }
    return enumerator;
}

IObject* CObjectList::GetObject(unsigned int index)
{
    if (index >= m_objects.size())
        MRV_THROW(CBadIndexException, L"morvane::CObjectList::GetObject", L"Index out of bounds");
    m_objects[index]->AddRef();
    return m_objects[index];
}

unsigned int CObjectList::FindObject(IObject* object)
{
    for (std::size_t i = 0; i < m_objects.size(); ++i)
        if (m_objects[i] == object)
            return static_cast<unsigned int>(i);
    MRV_THROW(CObjectNotFoundException, L"morvane::CObjectList::FindObject", L"Cannot find object");
}

CStringObject::CStringObject() : CObjectImpl(clsid::CStringObject) {}
CStringObject::CStringObject(const CString& text) : CObjectImpl(clsid::CStringObject), m_text(text) {}

} // namespace morvane
