#pragma once

// --bank-info FILE.sf2: loads the bank into a bank server as the bank
// explorer does and prints what the server then holds, one item a line.
int RunBankInfoCommand(int argc, char** argv);
// --sample-info FILE.wav: what the WAV reader makes of the file, or its
// message and exit status 1.
int RunSampleInfoCommand(int argc, char** argv);
