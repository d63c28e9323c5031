#pragma once

// Gives the utility machines their editors: the program calls this once at
// start-up, before machines are shown.
void RegisterMachineEditors();
