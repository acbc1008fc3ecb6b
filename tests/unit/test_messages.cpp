// Message list tests: counts by severity, the error summary and copying between lists.
#include <gtest/gtest.h>

#include "qelMsgMngr.h"

using namespace qel;

TEST(MsgManager, EmptyList) {
  TMsgManager M;
  EXPECT_FALSE(M.GetIsMsg());
  EXPECT_FALSE(M.GetIsErr());
  EXPECT_EQ(M.GetMsgCount(), 0);
  EXPECT_EQ(M.ErrSummary(), "");
}

TEST(MsgManager, CountsBySeverityAndErrorSummary) {
  TMsgManager M;
  M.AddMsg("first", mt_Err, nullptr);
  M.AddScriptMsg("careful", "a.sql", 3, 7, mt_Wrn);
  M.AddObjMsg("second", nullptr, 1, 2, mt_Err);
  EXPECT_EQ(M.GetMsgCount(), 3);
  EXPECT_EQ(M.GetErrCount(), 2);
  EXPECT_EQ(M.GetWrnCount(), 1);
  EXPECT_EQ(M.GetInfCount(), 0);
  EXPECT_EQ(M.Get_MsgCount({mt_Wrn, mt_Inf}), 1);
  EXPECT_TRUE(M.GetIsErr());
  EXPECT_FALSE(M.GetIsInf());
  EXPECT_EQ(M.ErrSummary(), "first\r\nsecond");
  EXPECT_EQ(M.Items(1).ScriptName, "a.sql");
  EXPECT_EQ(M.Items(1).Line, 7);
  EXPECT_EQ(M.Items(1).Column, 3);
  EXPECT_EQ(M.Items(0).Line, 0);
  EXPECT_EQ(M.Items(1).Obj, nullptr);
}

TEST(MsgManager, CopyFromAppendsInSourceOrderAndToleratesNilAndSelf) {
  TObject Obj;
  TMsgManager A, B;
  A.AddMsg("a1", mt_Inf);
  B.AddMsg("b1", mt_Err, &Obj);
  B.AddMsg("b2", mt_Wrn);
  A.CopyFrom(&B);
  A.CopyFrom(nullptr);
  ASSERT_EQ(A.GetMsgCount(), 3);
  EXPECT_EQ(A.Items(0).Text, "a1");
  EXPECT_EQ(A.Items(1).Text, "b1");
  EXPECT_EQ(A.Items(1).Obj, &Obj);
  EXPECT_EQ(A.Items(2).Text, "b2");
  A.CopyFrom(&A);
  EXPECT_EQ(A.GetMsgCount(), 6);
  A.Clear();
  EXPECT_EQ(A.GetMsgCount(), 0);
  EXPECT_EQ(B.GetMsgCount(), 2);
}
