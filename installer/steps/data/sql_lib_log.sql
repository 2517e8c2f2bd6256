-- The library log table of the work database, where each load procedure leaves its status.
CREATE TABLE KORX_LIB_LOG (step int, status varchar(32), message varchar(255))
GO
