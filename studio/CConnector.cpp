#include "studio/CConnector.h"
#include "framework/CControlBuffer.h"
#include "framework/CPort.h"

CConnector::CConnector(CMachineContainer* container, CPort* port) : container(container), port(port)
{
    if (port->Has(PORT_CONTROL | PORT_INPUT))
        deferred = new CControlBuffer();
}

CConnector::~CConnector()
{
    connections.DeleteAll();
    delete deferred;
}

CConnection* CConnector::FindConnectionFrom(const CConnector* source) const
{
    for (CConnection* connection : connections) {
        if (connection->source == source)
            return connection;
    }
    return nullptr;
}

void CConnector::DeleteConnection(CConnection* connection)
{
    if (connections.Remove(connection))
        delete connection;
}

void CConnector::DeleteConnectionsFrom(const CMachineContainer* from)
{
    for (int32_t i = connections.GetCount() - 1; i >= 0; --i) {
        CConnection* connection = connections.GetItem(i);
        if (connection->source->GetContainer() == from) {
            connections.RemoveItem(i);
            delete connection;
        }
    }
}
