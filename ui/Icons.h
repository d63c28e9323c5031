#pragma once

class CPicture;
class QIcon;

// An icon holding a copy of the picture (GUI thread only).
QIcon IconFromPicture(const CPicture& picture);
