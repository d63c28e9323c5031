#pragma once
#include "framework/Errors.h"
#include <string>

// The text an action raised, or "<nothing raised>".
template <typename Action>
std::string RaisedText(Action action)
{
    try {
        action();
    } catch (const CError& error) {
        return error.Text();
    }
    return "<nothing raised>";
}
