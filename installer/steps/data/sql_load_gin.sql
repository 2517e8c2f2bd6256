-- Gene information: the three temporary tables the URL, header and description files fill,
-- and the procedure that replaces the array type's gene information with their rows. The
-- header record names no type: it belongs to the type of the other two files.
CREATE TABLE LOAD_GIN_URL (array_type varchar(255), identifier_source varchar(255),
  link_name varchar(255), url varchar(1024))
GO
CREATE TABLE LOAD_GIN_HEAD (chip_type_title varchar(255), index_title varchar(255),
  identifier_title varchar(255), source_title varchar(255), probe_set_title varchar(255),
  description_title varchar(255), group_title varchar(255), sequence_type_title varchar(255),
  class_title_1 varchar(255), class_title_2 varchar(255), class_title_3 varchar(255),
  class_title_4 varchar(255), class_title_5 varchar(255), class_title_6 varchar(255),
  class_title_7 varchar(255), class_title_8 varchar(255), class_title_9 varchar(255),
  class_title_10 varchar(255))
GO
CREATE TABLE LOAD_GIN_DES (array_type varchar(255), probe_index varchar(64),
  identifier varchar(255), identifier_source varchar(255), probe_set_name varchar(255),
  description varchar(2000), group_name varchar(255), sequence_type varchar(64),
  class_title varchar(255), class_value varchar(2000))
GO
CREATE PROCEDURE KORX_SP_LOAD_GIN AS
SET XACT_ABORT ON;
BEGIN TRANSACTION;
DELETE FROM KORX_GIN_URL WHERE array_type IN (SELECT array_type FROM LOAD_GIN_URL UNION SELECT array_type FROM LOAD_GIN_DES);
DELETE FROM KORX_GIN_HEADER WHERE array_type IN (SELECT array_type FROM LOAD_GIN_URL UNION SELECT array_type FROM LOAD_GIN_DES);
DELETE FROM KORX_GIN_DESCRIPTION WHERE array_type IN (SELECT array_type FROM LOAD_GIN_URL UNION SELECT array_type FROM LOAD_GIN_DES);
INSERT INTO KORX_GIN_URL (array_type, identifier_source, link_name, url)
  SELECT array_type, identifier_source, link_name, url FROM LOAD_GIN_URL;
INSERT INTO KORX_GIN_HEADER (array_type, chip_type_title, index_title, identifier_title, source_title, probe_set_title,
    description_title, group_title, sequence_type_title, class_title_1, class_title_2,
    class_title_3, class_title_4, class_title_5, class_title_6, class_title_7, class_title_8,
    class_title_9, class_title_10)
  SELECT (SELECT MIN(array_type) FROM (SELECT array_type FROM LOAD_GIN_URL UNION SELECT array_type FROM LOAD_GIN_DES) t), chip_type_title, index_title, identifier_title, source_title, probe_set_title,
    description_title, group_title, sequence_type_title, class_title_1, class_title_2,
    class_title_3, class_title_4, class_title_5, class_title_6, class_title_7, class_title_8,
    class_title_9, class_title_10 FROM LOAD_GIN_HEAD;
INSERT INTO KORX_GIN_DESCRIPTION (array_type, probe_index, identifier, identifier_source, probe_set_name, description,
    group_name, sequence_type, class_title, class_value)
  SELECT array_type, probe_index, identifier, identifier_source, probe_set_name, description,
    group_name, sequence_type, class_title, class_value FROM LOAD_GIN_DES;
INSERT INTO KORX_LIB_LOG (step, status, message) VALUES (6, 'SUCCESS', 'Gene information loaded');
COMMIT TRANSACTION;
GO
