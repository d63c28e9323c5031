#pragma once
#include <cstdint>

class CMachineContainer;

// What views and editors hear of the studio graph: the studio view, the
// pattern and sequence editors, the HD recorder view, default editors.
//
// Design note: notifications are made on the thread that made the change.
// Graph changes (added, removed, renamed, connections, cleared) come from the
// user-interface thread with the studio lock held. ParameterChanged may also
// come from a render thread while a block runs (a machine automating itself),
// so an observer must only note the change there and repaint later. Register
// and unregister on the user-interface thread with the studio lock held: the
// list is then never changed while a block, or a graph change, reads it.
class CStudioObserver {
public:
    // After the machine joined the graph (it is the last container).
    virtual void MachineAdded(CMachineContainer* container) {}
    // Before the container is destroyed: forget everything about it.
    virtual void MachineRemoved(CMachineContainer* container) {}
    virtual void MachineRenamed(CMachineContainer* container) {}
    // Cables appeared or went, or a machine's connectors were rebuilt.
    virtual void ConnectionsChanged() {}
    // The studio was emptied (scroll position and project text go back).
    virtual void StudioCleared() {}
    // A parameter changed through the host, or by Randomize.
    virtual void ParameterChanged(CMachineContainer* container, int32_t index, double value) {}

protected:
    ~CStudioObserver() = default;
};
