#include "framework/CArray.h"
#include "framework/Errors.h"
#include <gtest/gtest.h>
#include <string>

namespace {

std::string RaisedText(void (*action)())
{
    try {
        action();
    } catch (const CError& error) {
        return error.Text();
    }
    return "<nothing raised>";
}

} // namespace

TEST(CArrayTest, KeepsInsertionOrderAcrossInsertAndRemove)
{
    int a = 1, b = 2, c = 3, d = 4;
    CArray<int> array;
    array.AddItem(&a);
    array.AddItem(&c);
    array.InsertItem(1, &b);
    array.InsertItem(0, &d);
    ASSERT_EQ(array.GetCount(), 4);
    EXPECT_EQ(array[0], &d);
    EXPECT_EQ(array[1], &a);
    EXPECT_EQ(array[2], &b);
    EXPECT_EQ(array[3], &c);

    array.RemoveItem(0);
    array.RemoveItem(2);
    ASSERT_EQ(array.GetCount(), 2);
    EXPECT_EQ(array[0], &a);
    EXPECT_EQ(array[1], &b);
    EXPECT_EQ(array.IndexOf(&b), 1);
    EXPECT_EQ(array.IndexOf(&c), -1);

    array.RemoveItem(0);
    array.RemoveItem(0);
    EXPECT_EQ(array.GetCount(), 0);
    EXPECT_EQ(array.begin(), array.end());
}

TEST(CArrayTest, RemoveOutsideTheArrayRaisesWithTheIndex)
{
    EXPECT_EQ(RaisedText([] {
        CArray<int> array;
        array.RemoveItem(0);
    }), "CArray::RemoveItem - Index Out Of Bounds (0)");
    EXPECT_EQ(RaisedText([] {
        int x = 0;
        CArray<int> array;
        array.AddItem(&x);
        array.RemoveItem(-1);
    }), "CArray::RemoveItem - Index Out Of Bounds (-1)");
    EXPECT_EQ(RaisedText([] {
        int x = 0;
        CArray<int> array;
        array.AddItem(&x);
        array.RemoveItem(1);
    }), "CArray::RemoveItem - Index Out Of Bounds (1)");
}

TEST(CArrayTest, AddItemsAppendsInOrder)
{
    int values[5] = {0, 1, 2, 3, 4};
    int* pointers[5] = {&values[0], &values[1], &values[2], &values[3], &values[4]};
    CArray<int> array;
    array.AddItem(&values[4]);
    array.AddItems(pointers, 4);
    ASSERT_EQ(array.GetCount(), 5);
    int expected[5] = {4, 0, 1, 2, 3};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(*array[i], expected[i]);
    array.Clear();
    EXPECT_EQ(array.GetCount(), 0);
}

TEST(ErrorsTest, FormattingNeverTruncates)
{
    std::string longText(5000, 'x');
    std::string formatted = FormatText("<%s> %i", longText.c_str(), 42);
    EXPECT_EQ(formatted.size(), 5000u + 5u);
    EXPECT_EQ(formatted.substr(formatted.size() - 4), "> 42");
    EXPECT_EQ(FormatText("%s", ""), "");
}

TEST(ErrorsTest, RaiseCarriesTheFormattedText)
{
    try {
        Raise("Can't Create Mutex, Error Code 0x%x", 0x1f);
        FAIL() << "Raise returned";
    } catch (const CError& error) {
        EXPECT_STREQ(error.Text(), "Can't Create Mutex, Error Code 0x1f");
    }
}

TEST(ErrorsTest, ShowGoesToTheInstalledHandler)
{
    static std::string caption, text;
    SetShowHandler([](const char* c, const char* t) {
        caption = c;
        text = t;
    });
    Show("Machine <%s> Not Found", "ZT Nothing");
    SetShowHandler(nullptr);
    EXPECT_EQ(caption, "Velmora");
    EXPECT_EQ(text, "Machine <ZT Nothing> Not Found");
}
