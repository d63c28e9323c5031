#pragma once
#include "framework/CArray.h"
#include "studio/CConnection.h"

class CControlBuffer;
class CMachineContainer;
class CPort;

// The studio's side of one port: the cables that end here (input connectors
// only) and, for control inputs, the events held back for later blocks.
class CConnector {
public:
    CConnector(CMachineContainer* container, CPort* port);
    ~CConnector();
    CConnector(const CConnector&) = delete;
    CConnector& operator=(const CConnector&) = delete;

    CPort* GetPort() const { return port; }
    CMachineContainer* GetContainer() const { return container; }
    // Events for later blocks (control inputs only, else null): their times
    // count from the start of the current block.
    CControlBuffer* GetDeferredEvents() const { return deferred; }

    int32_t GetConnectionCount() const { return connections.GetCount(); }
    CConnection* GetConnection(int32_t index) const { return connections.GetItem(index); }
    // The cable from `source`, or null.
    CConnection* FindConnectionFrom(const CConnector* source) const;

    // Graph edits; the studio calls these under its lock.
    void AddConnection(CConnection* connection) { connections.AddItem(connection); }
    void DeleteConnection(CConnection* connection);
    // Deletes every cable whose source connector belongs to `container`.
    void DeleteConnectionsFrom(const CMachineContainer* container);

private:
    CMachineContainer* container;
    CPort* port;
    CArray<CConnection> connections;
    CControlBuffer* deferred = nullptr;
};
